# Fails when a source file under src/ includes a floor its own may not use, as
# cmake/Floors.cmake has it (the table the build links by). Run by CTest as
# "layers": cmake -DSOURCE_DIR=<repository> -P CheckLayers.cmake
cmake_minimum_required(VERSION 3.21)
include(${CMAKE_CURRENT_LIST_DIR}/Floors.cmake)

# The floor a file belongs to: its folder's, or the folder's dialog floor for
# a dialog (frm*) of a folder that has one.
function(floor_of source out)
    string(REGEX MATCH "^[^/]+" folder ${source})
    get_filename_component(name ${source} NAME)
    if(name MATCHES "^frm" AND "${folder}_dialog" IN_LIST VANTO_FLOORS)
        set(${out} ${folder}_dialog PARENT_SCOPE)
    else()
        set(${out} ${folder} PARENT_SCOPE)
    endif()
endfunction()

file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}/src ${SOURCE_DIR}/src/*.h ${SOURCE_DIR}/src/*.cpp)
set(faults "")
foreach(source ${sources})
    floor_of(${source} floor)
    if(NOT floor IN_LIST VANTO_FLOORS)
        list(APPEND faults "src/${source}: floor '${floor}' is not in cmake/Floors.cmake")
        continue()
    endif()
    set(allowed ${floor} ${VANTO_USES_${floor}})
    file(STRINGS ${SOURCE_DIR}/src/${source} includes REGEX "^#include \"[^/\"]+/[^\"]+\"")
    foreach(line ${includes})
        string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" included "${line}")
        floor_of(${included} target)
        if(NOT target IN_LIST allowed)
            list(APPEND faults "src/${source} includes ${included}, which floor '${floor}' may not use")
        endif()
    endforeach()
endforeach()

if(faults)
    list(JOIN faults "\n  " report)
    message(FATAL_ERROR "Layers broken:\n  ${report}")
endif()
list(LENGTH sources count)
message(STATUS "Layers hold in ${count} files")
