# Run by the package target of the Linux build (cmake -P) with the -D values it passes: makes
# the command line's Debian package and SHA256SUMS. Both are made under a temporary name and
# renamed when complete, so a failed run leaves no package that looks finished.
#
# Two builds of one commit give the same bytes: the program holds no folder of the build
# (-ffile-prefix-map; its build ID is a hash of its bytes), and here every file gets fixed
# modes and the one time of cmake/source_date_epoch.cmake, the compressed files hold no name or
# time (gzip -n), and dpkg-deb writes root as the owner of every file, in sorted order, with
# that time (SOURCE_DATE_EPOCH) on the archive's members.
cmake_minimum_required(VERSION 3.20)
foreach(required ZEL_SOURCE_DIR ZEL_BUILD_DIR ZEL_CONFIG ZEL_DEB_DIR ZEL_VERSION
                 ZEL_ARCHITECTURE ZEL_STAGING_DIR ZEL_DEB ZEL_SUMS)
    if(NOT DEFINED ${required})
        message(FATAL_ERROR "make_deb.cmake needs -D${required}=...")
    endif()
endforeach()
include("${CMAKE_CURRENT_LIST_DIR}/../../cmake/source_date_epoch.cmake")

# Whatever an earlier run made goes first: a failed run must not leave a package that passes
# for this build's.
file(REMOVE "${ZEL_DEB}" "${ZEL_SUMS}" "${ZEL_DEB}.part" "${ZEL_SUMS}.part")
file(REMOVE_RECURSE "${ZEL_STAGING_DIR}")
foreach(tool ZEL_DPKG_DEB ZEL_DPKG_SHLIBDEPS ZEL_STRIP)
    if(NOT ${tool} OR NOT EXISTS "${${tool}}")
        message(FATAL_ERROR "dpkg-deb, dpkg-shlibdeps and strip are needed for the Debian "
                            "package. scripts/setup.sh installs them (Debian packages dpkg-dev "
                            "and binutils); then configure again.")
    endif()
endforeach()

macro(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE run_result)
    if(NOT run_result EQUAL 0)
        string(REPLACE ";" " " run_command "${ARGN}")
        message(FATAL_ERROR "failed (${run_result}): ${run_command}")
    endif()
endmacro()

zel_source_date_epoch(epoch "${ZEL_SOURCE_DIR}")
message(STATUS "The package's time: ${epoch} (${epoch_SOURCE})")

# The layout that dpkg-shlibdeps expects: the package's root in debian/<package>, the control
# files in its DEBIAN folder.
set(root "${ZEL_STAGING_DIR}/debian/zel")
set(doc "${root}/usr/share/doc/zel")
file(MAKE_DIRECTORY "${root}/DEBIAN" "${doc}")

# What `cmake --install` installs, under /usr. The programs lose their symbols and the
# compiler's notes, as Debian's packages do.
execute_process(COMMAND "${CMAKE_COMMAND}" -E env "DESTDIR=${root}" "${CMAKE_COMMAND}" --install
                        "${ZEL_BUILD_DIR}" --config "${ZEL_CONFIG}" --prefix /usr
                RESULT_VARIABLE install_result OUTPUT_QUIET)
if(NOT install_result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed (${install_result})")
endif()
file(GLOB programs "${root}/usr/bin/*")
foreach(program IN LISTS programs)
    run("${ZEL_STRIP}" --remove-section=.comment --remove-section=.note "${program}")
endforeach()
# Debian keeps man pages compressed, without name and time.
file(GLOB_RECURSE man_pages "${root}/usr/share/man/*")
foreach(page IN LISTS man_pages)
    run(gzip -9n "${page}")
endforeach()

file(READ "${ZEL_DEB_DIR}/control.in" control)
string(REGEX MATCH "\nMaintainer: ([^\n]+)" maintainer "${control}")
set(maintainer "${CMAKE_MATCH_1}")

configure_file("${ZEL_DEB_DIR}/copyright" "${doc}/copyright" COPYONLY)
# One entry, for this version, dated with the package's time (RFC 2822, in English: CMake's
# time texts do not follow the locale).
set(ENV{SOURCE_DATE_EPOCH} "${epoch}")
string(TIMESTAMP changelog_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(WRITE "${doc}/changelog"
     "zel (${ZEL_VERSION}) unstable; urgency=medium\n\n"
     "  * zel ${ZEL_VERSION}, the command line of ZEL, packaged from its sources.\n\n"
     " -- ${maintainer}  ${changelog_date}\n")
run(gzip -9n "${doc}/changelog")
# lintian reports no errors and no warnings today. A warning that is meant goes into the file
# lintian-overrides here, with the reason in a comment above it, and is shipped where lintian
# looks for it.
if(EXISTS "${ZEL_DEB_DIR}/lintian-overrides")
    configure_file("${ZEL_DEB_DIR}/lintian-overrides" "${root}/usr/share/lintian/overrides/zel"
                   COPYONLY)
endif()

# The libraries the programs need, as dpkg-shlibdeps finds them with the versions this system's
# libraries ask for.
set(shlibdeps_arguments "")
foreach(program IN LISTS programs)
    file(RELATIVE_PATH program "${ZEL_STAGING_DIR}" "${program}")
    list(APPEND shlibdeps_arguments "-e${program}")
endforeach()
file(WRITE "${ZEL_STAGING_DIR}/debian/control"
     "Source: zel\n\nPackage: zel\nArchitecture: any\n")
execute_process(COMMAND "${ZEL_DPKG_SHLIBDEPS}" -O ${shlibdeps_arguments}
                WORKING_DIRECTORY "${ZEL_STAGING_DIR}"
                OUTPUT_VARIABLE substitutions RESULT_VARIABLE shlibdeps_result)
string(REGEX MATCH "shlibs:Depends=([^\n]*)" depends "${substitutions}")
set(depends "${CMAKE_MATCH_1}")
if(NOT shlibdeps_result EQUAL 0 OR depends STREQUAL "")
    message(FATAL_ERROR "dpkg-shlibdeps found no dependencies (${shlibdeps_result})")
endif()

# The modes of a package, whatever the umask: programs and folders rwxr-xr-x, else rw-r--r--.
file(GLOB_RECURSE files LIST_DIRECTORIES false "${root}/*")
file(GLOB_RECURSE everything LIST_DIRECTORIES true "${root}/*")
set(folders "${everything}")
list(REMOVE_ITEM folders ${files})
file(CHMOD ${files} PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
file(CHMOD ${programs} ${folders} "${root}"
     PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                 WORLD_READ WORLD_EXECUTE)

# Installed-Size counts kibibytes as dpkg-gencontrol does: each file rounded up, each folder 1,
# the root too. md5sums lists every file but the control files, in sorted order.
set(installed_size 1)
set(md5sums "")
list(SORT files)
foreach(file IN LISTS files)
    file(RELATIVE_PATH name "${root}" "${file}")
    file(SIZE "${file}" size)
    math(EXPR installed_size "${installed_size} + (${size} + 1023) / 1024")
    file(MD5 "${file}" digest)
    string(APPEND md5sums "${digest}  ${name}\n")
endforeach()
foreach(folder IN LISTS folders)
    if(NOT folder STREQUAL "${root}/DEBIAN")
        math(EXPR installed_size "${installed_size} + 1")
    endif()
endforeach()
configure_file("${ZEL_DEB_DIR}/control.in" "${root}/DEBIAN/control" @ONLY)
file(WRITE "${root}/DEBIAN/md5sums" "${md5sums}")
file(CHMOD "${root}/DEBIAN/control" "${root}/DEBIAN/md5sums"
     PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

file(GLOB_RECURSE everything LIST_DIRECTORIES true "${root}/*")
run(touch -h -d "@${epoch}" "${root}" ${everything})
run("${CMAKE_COMMAND}" -E env "SOURCE_DATE_EPOCH=${epoch}"
    "${ZEL_DPKG_DEB}" --root-owner-group -Zxz --build "${root}" "${ZEL_DEB}.part")
file(RENAME "${ZEL_DEB}.part" "${ZEL_DEB}")

# In the format of sha256sum, so that `sha256sum -c SHA256SUMS` checks it.
file(SHA256 "${ZEL_DEB}" digest)
get_filename_component(name "${ZEL_DEB}" NAME)
file(WRITE "${ZEL_SUMS}.part" "${digest}  ${name}\n")
file(RENAME "${ZEL_SUMS}.part" "${ZEL_SUMS}")
message(STATUS "Made ${ZEL_DEB} and ${ZEL_SUMS}")
