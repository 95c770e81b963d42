# Fails when product code runs a nested event loop that admits user input: a processEvents call
# without QEventLoop::ExcludeUserInputEvents on its line, or a local QEventLoop. ROOT is the source
# tree; FOLDERS (';'-separated) the product folders searched; ALLOWED (';'-separated) files, relative
# to ROOT, that are still let through.
# Run with: cmake -DROOT=/src "-DFOLDERS=a;b" "-DALLOWED=a/x.cpp" -P NestedLoopCheck.cmake
cmake_minimum_required(VERSION 3.25)
set(found "")
foreach(folder IN LISTS FOLDERS)
    file(GLOB_RECURSE sources RELATIVE ${ROOT} ${ROOT}/${folder}/*.cpp ${ROOT}/${folder}/*.h)
    foreach(source IN LISTS sources)
        if(source IN_LIST ALLOWED)
            continue()
        endif()
        file(STRINGS ${ROOT}/${source} lines REGEX "processEvents|QEventLoop")
        foreach(line IN LISTS lines)
            if(line MATCHES "processEvents" AND NOT line MATCHES "ExcludeUserInputEvents")
                string(APPEND found "\n${source}: ${line}")
            elseif(line MATCHES "QEventLoop[ \t]+[A-Za-z_]" OR line MATCHES "QEventLoop[ \t]*[({]")
                string(APPEND found "\n${source}: ${line}")
            endif()
        endforeach()
    endforeach()
endforeach()
if(found)
    message(FATAL_ERROR "nested event loops that admit user input:${found}")
endif()
