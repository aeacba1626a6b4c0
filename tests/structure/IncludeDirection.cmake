# cmake -DSOURCE_DIR=<dir> -DLAYERS=<folder;folder;...> [-DTESTS_DIR=<dir>] -P IncludeDirection.cmake
#
# Fails when an include runs against the layer order: a file in SOURCE_DIR/<folder> may include
# from its own folder and from folders listed before it in LAYERS, never from one listed after,
# and every file and every quoted include must belong to a listed folder. In TESTS_DIR, the
# tests of core/ never include from gui/ (they run without a display).

cmake_minimum_required(VERSION 3.25)

set(faults "")
get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)
if(TESTS_DIR)
    get_filename_component(TESTS_DIR "${TESTS_DIR}" ABSOLUTE)
endif()

function(layer_index path out)
    string(REGEX MATCH "^[^/]+/[^/]+" folder "${path}")
    list(FIND LAYERS "${folder}" index)
    set(${out} ${index} PARENT_SCOPE)
endfunction()

function(quoted_includes file out)
    file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    set(result "")
    foreach(line IN LISTS lines)
        string(REGEX REPLACE "^[^\"]*\"([^\"]+)\".*$" "\\1" included "${line}")
        list(APPEND result "${included}")
    endforeach()
    set(${out} "${result}" PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*.h" "${SOURCE_DIR}/*.cpp"
    "${SOURCE_DIR}/*.h.in")
foreach(source IN LISTS sources)
    layer_index("${source}" own)
    if(own EQUAL -1)
        list(APPEND faults "${source} is in no folder of the layer order")
        continue()
    endif()
    quoted_includes("${SOURCE_DIR}/${source}" includes)
    foreach(included IN LISTS includes)
        layer_index("${included}" other)
        if(other EQUAL -1)
            list(APPEND faults "${source} includes ${included}, which is in no folder of the layer order")
        elseif(other GREATER own)
            list(APPEND faults "${source} includes ${included}, against the layer order")
        endif()
    endforeach()
endforeach()

if(TESTS_DIR)
    file(GLOB_RECURSE tests RELATIVE "${TESTS_DIR}" "${TESTS_DIR}/core/*.h" "${TESTS_DIR}/core/*.cpp")
    foreach(test IN LISTS tests)
        quoted_includes("${TESTS_DIR}/${test}" includes)
        foreach(included IN LISTS includes)
            if(included MATCHES "^gui/")
                list(APPEND faults "${test} includes ${included}: core tests run without a display")
            endif()
        endforeach()
    endforeach()
endif()

list(LENGTH sources count)
if(faults)
    list(JOIN faults "\n" text)
    message(FATAL_ERROR "${text}")
endif()
message(STATUS "${count} files include in the layer order")
