# Run by the package target (cmake -P) with the -D values it passes: makes the zip, the
# installer and SHA256SUMS. Every output is made under a temporary name and renamed when
# complete, so a failed run leaves no package that looks finished.
#
# Two builds of one commit give the same bytes: the build leaves no time or folder in the
# programs, and here every file gets the one time of cmake/source_date_epoch.cmake, the zip is
# written entry by entry with fixed attributes, and every Windows program is padded and given
# its PE checksum as osslsigncode leaves it when a signature is removed.
#
# Signing, from the environment:
#   ZEL_SIGN_PFX + ZEL_SIGN_PASSWORD   sign every program and the installer with osslsigncode
#                                      (SHA-256; RFC 3161 time stamp from ZEL_SIGN_TIMESTAMP_URL
#                                      when set) and keep each signature in ZEL_SIGNATURES_DIR
#   ZEL_SIGNATURES                     a folder of such signatures: attach them instead, which
#                                      makes the very bytes of a signed release again; it must
#                                      hold the signature of every program and of the installer
# Each Windows program and the installer stay unsigned in the staging folder's "unsigned": the
# bytes that removing the signature of the shipped one gives back.
cmake_minimum_required(VERSION 3.20)
foreach(required ZEL_SOURCE_DIR ZEL_PROGRAMS ZEL_README ZEL_ICON ZEL_PACKAGING_DIR ZEL_VERSION
                 ZEL_VERSION_QUAD ZEL_STAGING_DIR ZEL_SIGNATURES_DIR ZEL_ZIP ZEL_SETUP ZEL_SUMS)
    if(NOT DEFINED ${required})
        message(FATAL_ERROR "make_packages.cmake needs -D${required}=...")
    endif()
endforeach()
include("${CMAKE_CURRENT_LIST_DIR}/../cmake/source_date_epoch.cmake")

# Whatever an earlier run made goes first: a failed run must not leave packages that pass for
# this build's.
file(REMOVE "${ZEL_ZIP}" "${ZEL_SETUP}" "${ZEL_SUMS}")
file(REMOVE_RECURSE "${ZEL_STAGING_DIR}")
if(NOT ZEL_MAKENSIS OR NOT EXISTS "${ZEL_MAKENSIS}")
    message(FATAL_ERROR "makensis (NSIS) was not found, so no installer can be made. "
                        "scripts/setup.sh installs it (Debian package nsis); then configure again.")
endif()
if(NOT ZEL_PYTHON OR NOT EXISTS "${ZEL_PYTHON}")
    message(FATAL_ERROR "Python 3 was not found; it writes the zip and finishes the programs. "
                        "scripts/setup.sh installs it (Debian package python3); then configure again.")
endif()

macro(check_run)
    if(NOT run_result EQUAL 0)
        string(REPLACE ";" " " run_command "${ARGN}")
        message(FATAL_ERROR "failed (${run_result}): ${run_command}")
    endif()
endmacro()
macro(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE run_result)
    check_run(${ARGN})
endmacro()
macro(package_tool)
    run("${ZEL_PYTHON}" "${ZEL_PACKAGING_DIR}/package_tools.py" ${ARGN})
endmacro()

zel_source_date_epoch(epoch "${ZEL_SOURCE_DIR}")
message(STATUS "The packages' time: ${epoch} (${epoch_SOURCE})")

# The payload, the files of an installation and of the zip: the programs, the README and
# whatever the README links to, so that it reads as well there as here.
set(payload_dir "${ZEL_STAGING_DIR}/payload")
set(payload "")
foreach(program IN LISTS ZEL_PROGRAMS)
    get_filename_component(name "${program}" NAME)
    list(APPEND payload "${name}")
endforeach()
configure_file("${ZEL_README}" "${payload_dir}/README.md" COPYONLY)
list(APPEND payload README.md)
file(READ "${ZEL_README}" readme)
# Links are "](target)"; a square bracket would split no CMake list, so they become "<(target)".
string(REPLACE "](" "<(" readme "${readme}")
string(REGEX MATCHALL "<\\([^)#:]+[)#]" links "${readme}")
foreach(link IN LISTS links)
    string(REGEX REPLACE "^<\\(|[)#]$" "" link "${link}")
    if(NOT link IN_LIST payload)
        configure_file("${ZEL_SOURCE_DIR}/${link}" "${payload_dir}/${link}" COPYONLY)
        list(APPEND payload "${link}")
    endif()
endforeach()

# The package target runs in a folder of the build tree: the files must be named in full.
foreach(variable ZEL_SIGN_PFX ZEL_SIGNATURES)
    if(NOT "$ENV{${variable}}" STREQUAL "" AND NOT IS_ABSOLUTE "$ENV{${variable}}")
        message(FATAL_ERROR "${variable} must name its file or folder by its full path, "
                            "not '$ENV{${variable}}'")
    endif()
endforeach()
get_filename_component(setup_name "${ZEL_SETUP}" NAME)
set(signing "none")
if(DEFINED ENV{ZEL_SIGN_PFX} OR DEFINED ENV{ZEL_SIGN_PASSWORD})
    if(NOT DEFINED ENV{ZEL_SIGN_PFX} OR NOT DEFINED ENV{ZEL_SIGN_PASSWORD})
        message(FATAL_ERROR "Signing needs both ZEL_SIGN_PFX and ZEL_SIGN_PASSWORD; "
                            "only one is set.")
    endif()
    if(NOT ZEL_OSSLSIGNCODE OR NOT EXISTS "${ZEL_OSSLSIGNCODE}")
        message(FATAL_ERROR "osslsigncode was not found, so nothing can be signed. "
                            "scripts/setup.sh installs it (Debian package osslsigncode); "
                            "then configure again.")
    endif()
    set(signing "sign")
    file(REMOVE_RECURSE "${ZEL_SIGNATURES_DIR}")
    file(MAKE_DIRECTORY "${ZEL_SIGNATURES_DIR}")
    set(timestamp "")
    if(NOT "$ENV{ZEL_SIGN_TIMESTAMP_URL}" STREQUAL "")
        set(timestamp -ts "$ENV{ZEL_SIGN_TIMESTAMP_URL}")
    endif()
    message(STATUS "Signing with $ENV{ZEL_SIGN_PFX}; signatures in ${ZEL_SIGNATURES_DIR}")
elseif(NOT "$ENV{ZEL_SIGNATURES}" STREQUAL "")
    set(signing "attach")
    # A missing signature would leave its program unsigned in packages that pass for signed.
    if(NOT IS_DIRECTORY "$ENV{ZEL_SIGNATURES}")
        message(FATAL_ERROR "ZEL_SIGNATURES names no folder: $ENV{ZEL_SIGNATURES}")
    endif()
    set(missing "")
    foreach(file IN LISTS ZEL_PROGRAMS ITEMS uninstall.exe "${setup_name}")
        get_filename_component(name "${file}" NAME)
        if(NOT EXISTS "$ENV{ZEL_SIGNATURES}/${name}.sig")
            list(APPEND missing "${name}.sig")
        endif()
    endforeach()
    if(missing)
        list(JOIN missing ", " missing)
        message(FATAL_ERROR "The signatures folder $ENV{ZEL_SIGNATURES} (ZEL_SIGNATURES) lacks "
                            "${missing}.")
    endif()
    message(STATUS "Attaching the signatures in $ENV{ZEL_SIGNATURES}")
else()
    message(STATUS "The packages are not signed: ZEL_SIGN_PFX and ZEL_SIGN_PASSWORD are not set")
endif()

# The password goes to osslsigncode in a file that only its owner can read, never on a command
# line. The file exists only while osslsigncode runs and goes whatever its outcome, so that no
# step that fails, before or after, can leave it behind.
function(sign unsigned signed)
    set(password_dir "${ZEL_STAGING_DIR}/signing")
    file(MAKE_DIRECTORY "${password_dir}")
    file(CHMOD "${password_dir}" DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
    file(WRITE "${password_dir}/password" "$ENV{ZEL_SIGN_PASSWORD}")
    set(command "${ZEL_OSSLSIGNCODE}" sign -pkcs12 "$ENV{ZEL_SIGN_PFX}"
                -readpass "${password_dir}/password" -h sha256 -n "ZEL ${ZEL_VERSION}"
                ${timestamp} -in "${unsigned}" -out "${signed}")
    execute_process(COMMAND ${command} RESULT_VARIABLE run_result)
    file(REMOVE_RECURSE "${password_dir}")
    check_run(${command})
endfunction()

# A Windows program as it is shipped: finished and kept unsigned in the staging folder's
# "unsigned", then signed, or given its signature, as SHIPPED.
set(unsigned_dir "${ZEL_STAGING_DIR}/unsigned")
function(ship_program unsigned shipped)
    package_tool(finish-pe "${unsigned}")
    get_filename_component(name "${shipped}" NAME)
    if(signing STREQUAL "sign")
        sign("${unsigned}" "${shipped}")
        run("${ZEL_OSSLSIGNCODE}" extract-signature -in "${shipped}"
            -out "${ZEL_SIGNATURES_DIR}/${name}.sig")
    else()
        configure_file("${unsigned}" "${shipped}" COPYONLY)
        if(signing STREQUAL "attach")
            package_tool(attach-signature "${shipped}" "$ENV{ZEL_SIGNATURES}/${name}.sig")
        endif()
    endif()
endfunction()

foreach(program IN LISTS ZEL_PROGRAMS)
    get_filename_component(name "${program}" NAME)
    configure_file("${program}" "${unsigned_dir}/${name}" COPYONLY)
    ship_program("${unsigned_dir}/${name}" "${payload_dir}/${name}")
endforeach()

# payload.nsh: the payload for the installer to put into the folder and for the uninstaller
# to take away again, file by file.
set(install_lines "")
set(remove_lines "")
set(folders "")
foreach(file IN LISTS payload)
    get_filename_component(name "${file}" NAME)
    get_filename_component(folder "${file}" DIRECTORY)
    string(REPLACE "/" "\\" folder "${folder}")
    string(REPLACE "/" "\\" installed "${file}")
    if(folder STREQUAL "")
        set(target "$INSTDIR")
    else()
        set(target "$INSTDIR\\${folder}")
        list(PREPEND folders "${folder}")
    endif()
    string(APPEND install_lines "    SetOutPath \"${target}\"\n"
                                "    File \"/oname=${name}\" \"${payload_dir}/${file}\"\n")
    string(APPEND remove_lines "    Delete \"$INSTDIR\\${installed}\"\n")
endforeach()
list(REMOVE_DUPLICATES folders)
foreach(folder IN LISTS folders)
    string(APPEND remove_lines "    RMDir \"$INSTDIR\\${folder}\"\n")
endforeach()
# And each program by its name, for checking that none of them runs.
set(program_lines "")
foreach(program IN LISTS ZEL_PROGRAMS)
    get_filename_component(name "${program}" NAME)
    string(APPEND program_lines "    !insertmacro \${MACRO} \"${name}\"\n")
endforeach()
file(WRITE "${ZEL_STAGING_DIR}/payload.nsh"
     "; Made by make_packages.cmake.\n"
     "!macro ZEL_INSTALL_PAYLOAD\n${install_lines}!macroend\n"
     "!macro ZEL_REMOVE_PAYLOAD\n${remove_lines}!macroend\n"
     "!macro ZEL_FOR_EACH_PROGRAM MACRO\n${program_lines}!macroend\n")

function(makensis script out_file)
    run("${ZEL_MAKENSIS}" -V2 "-DZEL_VERSION=${ZEL_VERSION}"
        "-DZEL_VERSION_QUAD=${ZEL_VERSION_QUAD}" "-DZEL_ICON=${ZEL_ICON}" "-DZEL_PAYLOAD=${ZEL_STAGING_DIR}/payload.nsh"
        "-DZEL_UNINSTALLER=${ZEL_STAGING_DIR}/uninstall.exe" "-DOUT_FILE=${out_file}"
        "${ZEL_PACKAGING_DIR}/${script}")
endfunction()
makensis(uninstall.nsi "${unsigned_dir}/uninstall.exe")
ship_program("${unsigned_dir}/uninstall.exe" "${ZEL_STAGING_DIR}/uninstall.exe")

# Every file gets the one time: the zip's entries carry it, and the installer keeps it for the
# files it writes.
list(TRANSFORM payload PREPEND "${payload_dir}/" OUTPUT_VARIABLE payload_files)
package_tool(set-time "${epoch}" ${payload_files} "${ZEL_STAGING_DIR}/uninstall.exe")

package_tool(zip "${ZEL_ZIP}" "${epoch}" "${payload_dir}" ${payload})

makensis(zel.nsi "${unsigned_dir}/${setup_name}")
ship_program("${unsigned_dir}/${setup_name}" "${ZEL_STAGING_DIR}/${setup_name}")
file(RENAME "${ZEL_STAGING_DIR}/${setup_name}" "${ZEL_SETUP}")

# In the format of sha256sum, so that `sha256sum -c SHA256SUMS` checks both.
set(sums "")
foreach(package "${ZEL_ZIP}" "${ZEL_SETUP}")
    file(SHA256 "${package}" digest)
    get_filename_component(name "${package}" NAME)
    string(APPEND sums "${digest}  ${name}\n")
endforeach()
file(WRITE "${ZEL_SUMS}.part" "${sums}")
file(RENAME "${ZEL_SUMS}.part" "${ZEL_SUMS}")
message(STATUS "Made ${ZEL_ZIP}, ${ZEL_SETUP} and ${ZEL_SUMS}")
