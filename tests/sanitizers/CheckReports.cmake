# cmake -DREPORTS=<folder> [-DRESET=ON] -P CheckReports.cmake
# With RESET, empties the folder of sanitizer reports before the tests run;
# without, prints the reports the tests left there and fails if there are any.
if(RESET)
    file(REMOVE_RECURSE "${REPORTS}")
    file(MAKE_DIRECTORY "${REPORTS}")
    return()
endif()

file(GLOB reports "${REPORTS}/*")
if(NOT reports)
    message(STATUS "No sanitizer reports")
    return()
endif()
list(LENGTH reports count)
foreach(report IN LISTS reports)
    file(READ "${report}" text)
    message("==== ${report}\n${text}")
endforeach()
message(FATAL_ERROR "${count} sanitizer report(s) in ${REPORTS}")
