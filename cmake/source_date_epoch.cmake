# The one time that goes into the packages, so that two builds of one commit agree on every
# byte: SOURCE_DATE_EPOCH when it is set, else the time of the source tree's last commit, else a
# fixed time (1980-01-01 00:00 UTC, the earliest a zip entry can hold). Sets RESULT to seconds
# since 1970 and RESULT_SOURCE to where they came from.
function(zel_source_date_epoch result source_dir)
    if(DEFINED ENV{SOURCE_DATE_EPOCH} AND NOT "$ENV{SOURCE_DATE_EPOCH}" STREQUAL "")
        if(NOT "$ENV{SOURCE_DATE_EPOCH}" MATCHES "^[0-9]+$")
            message(FATAL_ERROR "SOURCE_DATE_EPOCH must be whole seconds since 1970, "
                                "not '$ENV{SOURCE_DATE_EPOCH}'")
        endif()
        set(${result} "$ENV{SOURCE_DATE_EPOCH}" PARENT_SCOPE)
        set(${result}_SOURCE "SOURCE_DATE_EPOCH" PARENT_SCOPE)
        return()
    endif()
    find_program(ZEL_GIT git)
    if(ZEL_GIT)
        execute_process(COMMAND "${ZEL_GIT}" -C "${source_dir}" log -1 --format=%ct
                        OUTPUT_VARIABLE commit_time OUTPUT_STRIP_TRAILING_WHITESPACE
                        RESULT_VARIABLE git_status ERROR_QUIET)
        if(git_status EQUAL 0 AND commit_time MATCHES "^[0-9]+$")
            set(${result} "${commit_time}" PARENT_SCOPE)
            set(${result}_SOURCE "the last commit" PARENT_SCOPE)
            return()
        endif()
    endif()
    set(${result} 315532800 PARENT_SCOPE)
    set(${result}_SOURCE "no commit found: the fixed time" PARENT_SCOPE)
endfunction()
