# Run at build time (cmake -P) with -DZEL_SOURCE_DIR, -DZEL_VERSION, -DZEL_MAN_PAGE_IN and
# -DZEL_MAN_PAGE: writes the man page with the version and the date of the packages' one time
# (cmake/source_date_epoch.cmake: the commit's, or SOURCE_DATE_EPOCH) in its footer. At build
# time, not when configuring, so that every commit gives its own date; the page is rewritten only
# when it changes.
cmake_minimum_required(VERSION 3.20)
foreach(required ZEL_SOURCE_DIR ZEL_VERSION ZEL_MAN_PAGE_IN ZEL_MAN_PAGE)
    if(NOT DEFINED ${required})
        message(FATAL_ERROR "man_page.cmake needs -D${required}=...")
    endif()
endforeach()
include("${CMAKE_CURRENT_LIST_DIR}/source_date_epoch.cmake")

# A plain build is no package: a checkout whose commit time git cannot give still builds, with
# the fixed date and a warning (the package target, which compares the page, fails there).
zel_source_date_epoch(epoch "${ZEL_SOURCE_DIR}" FALL_BACK)
# The day in UTC, whatever the builder's time zone (string(TIMESTAMP) reads SOURCE_DATE_EPOCH).
set(ENV{SOURCE_DATE_EPOCH} "${epoch}")
string(TIMESTAMP ZEL_MAN_DATE "%Y-%m-%d" UTC)
configure_file("${ZEL_MAN_PAGE_IN}" "${ZEL_MAN_PAGE}" @ONLY)
