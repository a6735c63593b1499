# Run by the package target (cmake -P) with the -D values it passes: makes the zip, the
# installer and SHA256SUMS. Every output is made under a temporary name and renamed when
# complete, so a failed run leaves no package that looks finished.
foreach(required ZEL_EXE ZEL_README ZEL_ICON ZEL_NSIS_SCRIPT ZEL_VERSION ZEL_VERSION_QUAD
                 ZEL_STAGING_DIR ZEL_ZIP ZEL_SETUP ZEL_SUMS)
    if(NOT DEFINED ${required})
        message(FATAL_ERROR "make_packages.cmake needs -D${required}=...")
    endif()
endforeach()
# Whatever an earlier run made goes first: a failed run must not leave packages that pass for
# this build's.
file(REMOVE "${ZEL_ZIP}" "${ZEL_SETUP}" "${ZEL_SUMS}")
if(NOT ZEL_MAKENSIS OR NOT EXISTS "${ZEL_MAKENSIS}")
    message(FATAL_ERROR "makensis (NSIS) was not found, so no installer can be made. "
                        "scripts/setup.sh installs it (Debian package nsis); then configure again.")
endif()

# The zip: zel.exe and the README, side by side, nothing else.
file(REMOVE_RECURSE "${ZEL_STAGING_DIR}")
file(MAKE_DIRECTORY "${ZEL_STAGING_DIR}/zip")
configure_file("${ZEL_EXE}" "${ZEL_STAGING_DIR}/zip/zel.exe" COPYONLY)
configure_file("${ZEL_README}" "${ZEL_STAGING_DIR}/zip/README.md" COPYONLY)
execute_process(
    COMMAND "${CMAKE_COMMAND}" -E tar cf "${ZEL_ZIP}.part" --format=zip zel.exe README.md
    WORKING_DIRECTORY "${ZEL_STAGING_DIR}/zip"
    RESULT_VARIABLE zip_result)
if(NOT zip_result EQUAL 0)
    message(FATAL_ERROR "making ${ZEL_ZIP} failed: ${zip_result}")
endif()
file(RENAME "${ZEL_ZIP}.part" "${ZEL_ZIP}")

# The installer. makensis writes its output name from the script's OutFile.
execute_process(
    COMMAND "${ZEL_MAKENSIS}" -V2
            "-DZEL_VERSION=${ZEL_VERSION}" "-DZEL_VERSION_QUAD=${ZEL_VERSION_QUAD}"
            "-DZEL_EXE=${ZEL_EXE}" "-DZEL_README=${ZEL_README}" "-DZEL_ICON=${ZEL_ICON}"
            "-DOUT_FILE=${ZEL_SETUP}.part" "${ZEL_NSIS_SCRIPT}"
    WORKING_DIRECTORY "${ZEL_STAGING_DIR}"
    RESULT_VARIABLE nsis_result)
if(NOT nsis_result EQUAL 0)
    file(REMOVE "${ZEL_SETUP}.part")
    message(FATAL_ERROR "makensis failed (${nsis_result}); no installer was made")
endif()
file(RENAME "${ZEL_SETUP}.part" "${ZEL_SETUP}")

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
