# Fails when a source file under src/ includes a floor above its own. Run by
# CTest as "layers": cmake -DSOURCE_DIR=<repository> -P CheckLayers.cmake
#
cmake_minimum_required(VERSION 3.21)

# Each floor may include itself and the floors listed for it. The dialogs of
# link/ and logging/ (frm*) stand on ui/ as well; only app/ reaches everything,
# and nothing includes app/.
set(allowed_looks looks)
set(allowed_telemetry telemetry looks)
set(allowed_commands commands looks)
set(allowed_link link)
set(allowed_logging logging)
set(allowed_session session telemetry looks)
set(allowed_ui ui)
set(allowed_instruments instruments telemetry ui)
set(allowed_about about ui)
set(allowed_trends trends logging looks session telemetry ui)
set(allowed_app app about commands instruments link logging looks session telemetry trends ui)
set(dialog_floors link logging)

file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}/src ${SOURCE_DIR}/src/*.h ${SOURCE_DIR}/src/*.cpp)
set(faults "")
foreach(source ${sources})
    string(REGEX MATCH "^[^/]+" floor ${source})
    if(NOT DEFINED allowed_${floor})
        list(APPEND faults "src/${source}: floor '${floor}' has no rule in cmake/CheckLayers.cmake")
        continue()
    endif()
    set(allowed ${allowed_${floor}})
    get_filename_component(name ${source} NAME)
    if(floor IN_LIST dialog_floors AND name MATCHES "^frm")
        list(APPEND allowed ui)
    endif()
    file(STRINGS ${SOURCE_DIR}/src/${source} includes REGEX "^#include \"[^/\"]+/")
    foreach(line ${includes})
        string(REGEX REPLACE "^#include \"([^/\"]+)/.*" "\\1" target "${line}")
        if(NOT target IN_LIST allowed)
            list(APPEND faults "src/${source} includes ${target}/, above its floor '${floor}'")
        endif()
    endforeach()
endforeach()

if(faults)
    list(JOIN faults "\n  " report)
    message(FATAL_ERROR "Layers broken:\n  ${report}")
endif()
list(LENGTH sources count)
message(STATUS "Layers hold in ${count} files")
