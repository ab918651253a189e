# Fails when a source file under src/, sim/, tests/, bench/ or fuzz/ is not
# formatted as .clang-format says. Run by CTest as "format":
#   cmake -DSOURCE_DIR=<repository> -DCLANG_FORMAT=<program> -P CheckFormat.cmake
cmake_minimum_required(VERSION 3.21)
set(sources "")
foreach(dir src sim tests bench fuzz)
    file(GLOB_RECURSE found ${SOURCE_DIR}/${dir}/*.cpp ${SOURCE_DIR}/${dir}/*.h)
    list(APPEND sources ${found})
endforeach()
execute_process(COMMAND ${CLANG_FORMAT} --dry-run -Werror ${sources}
                RESULT_VARIABLE result ERROR_VARIABLE complaints)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "Not formatted (clang-format -i on these files):\n${complaints}")
endif()
list(LENGTH sources count)
message(STATUS "${count} files formatted as .clang-format says")
