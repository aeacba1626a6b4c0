# cmake -DPAGE=<file.md> -DROOT=<dir> -P NamedFiles.cmake
#
# Fails when a page names a file that is not there: every name in backticks that looks like a
# path in the tree (it starts with one of the tree's top folders, or is a file at the root) must
# exist under ROOT. Keeps ARCHITECTURE.md true as files move.

cmake_minimum_required(VERSION 3.25)

file(READ "${PAGE}" text)
string(REGEX MATCHALL "`[^`\n]+`" quoted "${text}")
set(missing "")
set(checked 0)
foreach(item IN LISTS quoted)
    string(REGEX REPLACE "^`(.*)`$" "\\1" name "${item}")
    # Paths only: a top folder of the tree and a slash, or a file name with an extension at the
    # root. Placeholders such as <ID>.csv and names of things that are not files are left alone.
    if(NOT name MATCHES "^(src|tests|docs|scripts|bench|fuzz|packaging|cmake)/[A-Za-z0-9_./-]+$"
       AND NOT name MATCHES "^[A-Za-z0-9_-]+\\.(md|txt|json)$")
        continue()
    endif()
    if(name MATCHES "^QVL\\.")
        continue()  # the program's data files, not the tree's
    endif()
    math(EXPR checked "${checked} + 1")
    if(NOT EXISTS "${ROOT}/${name}")
        list(APPEND missing "${name}")
    endif()
endforeach()
if(missing)
    list(JOIN missing ", " listed)
    # Unwrapped, one line, so a test can look for the names.
    message(NOTICE "Not there: ${listed}")
    message(FATAL_ERROR "${PAGE} names files that are not there.")
endif()
if(checked EQUAL 0)
    message(FATAL_ERROR "${PAGE} names no file of the tree: nothing was checked")
endif()
message(STATUS "${checked} names checked")
