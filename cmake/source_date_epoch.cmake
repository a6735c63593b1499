# The one time that goes into the packages, so that two builds of one commit agree on every
# byte: SOURCE_DATE_EPOCH when it is set, else the time of the last commit of a git checkout,
# else, for a tree without git (a source archive), a fixed time (1980-01-01 00:00 UTC, the
# earliest a zip entry can hold). A checkout whose commit time git does not give fails: its
# packages would differ from the release's; with FALL_BACK (for what is no package, such as the
# man page of a plain build) it warns and takes the fixed time instead. Sets RESULT to seconds
# since 1970 and RESULT_SOURCE to where they came from.
function(zel_source_date_epoch result source_dir)
    set(fail FATAL_ERROR)
    if("${ARGN}" STREQUAL "FALL_BACK")
        set(fail WARNING)
    endif()
    if(DEFINED ENV{SOURCE_DATE_EPOCH} AND NOT "$ENV{SOURCE_DATE_EPOCH}" STREQUAL "")
        if(NOT "$ENV{SOURCE_DATE_EPOCH}" MATCHES "^[0-9]+$")
            message(FATAL_ERROR "SOURCE_DATE_EPOCH must be whole seconds since 1970, "
                                "not '$ENV{SOURCE_DATE_EPOCH}'")
        endif()
        set(${result} "$ENV{SOURCE_DATE_EPOCH}" PARENT_SCOPE)
        set(${result}_SOURCE "SOURCE_DATE_EPOCH" PARENT_SCOPE)
        return()
    endif()
    # A checkout has .git at its top (a folder, or a file naming the folder elsewhere); a tree
    # without it may still lie in another checkout, whose commits are not its own.
    if(NOT EXISTS "${source_dir}/.git")
        set(${result} 315532800 PARENT_SCOPE)
        set(${result}_SOURCE "not a git checkout: the fixed time" PARENT_SCOPE)
        return()
    endif()
    set(no_time "${source_dir} is a git checkout, but")
    set(remedy "Set SOURCE_DATE_EPOCH to the commit's time (git log -1 --format=%ct) to build "
               "the packages anyway.")
    find_program(ZEL_GIT git)
    if(NOT ZEL_GIT)
        message(${fail} "${no_time} git was not found to give its last commit's time. "
                        ${remedy})
        set(${result} 315532800 PARENT_SCOPE)
        set(${result}_SOURCE "no commit time: the fixed time" PARENT_SCOPE)
        return()
    endif()
    # Only the commit's time is read, and nothing git would run on the checkout's behalf: no
    # signature is checked (log.showSignature would add its lines to the time) and no pager
    # started. git refuses a checkout that belongs to another user ("dubious ownership") for
    # fear of running that user's configuration; building the packages runs the checkout's
    # build scripts anyway, so trusting it for its commit time adds no risk.
    file(REAL_PATH "${source_dir}" checkout)
    execute_process(COMMAND "${ZEL_GIT}" --no-pager -c "safe.directory=${checkout}"
                            -c log.showSignature=false -C "${checkout}" log -1 --format=%ct
                    OUTPUT_VARIABLE commit_time ERROR_VARIABLE git_error
                    RESULT_VARIABLE git_status
                    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_STRIP_TRAILING_WHITESPACE)
    if(NOT git_status EQUAL 0 OR NOT commit_time MATCHES "^[0-9]+$")
        message(${fail} "${no_time} git gave no commit time (${git_status}): "
                        "${git_error}${commit_time}\n" ${remedy})
        set(${result} 315532800 PARENT_SCOPE)
        set(${result}_SOURCE "no commit time: the fixed time" PARENT_SCOPE)
        return()
    endif()
    set(${result} "${commit_time}" PARENT_SCOPE)
    set(${result}_SOURCE "the last commit" PARENT_SCOPE)
endfunction()
