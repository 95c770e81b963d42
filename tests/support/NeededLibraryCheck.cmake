# Fails when one of the programs in FILES (';'-separated) needs, at load time, a library whose
# name holds one of FORBID (';'-separated): such a library is loaded when it is first used.
# Run with: cmake "-DFILES=a;b" "-DFORBID=libX;libY" -P NeededLibraryCheck.cmake
foreach(file IN LISTS FILES)
    execute_process(COMMAND readelf -d ${file} OUTPUT_VARIABLE dynamic RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "readelf failed on ${file}")
    endif()
    foreach(lib IN LISTS FORBID)
        if(dynamic MATCHES "NEEDED[^\n]*${lib}")
            message(FATAL_ERROR "${file} needs ${lib} at load time")
        endif()
    endforeach()
endforeach()
