# Fails when one of the programs in FILES (';'-separated) defines a symbol of a namespace in
# FORBID (';'-separated, e.g. "qxm7740::"): the monitor and the debugger share the unit link with
# the main tool but must not carry the main tool's own link, worker or views.
# Run with: cmake "-DFILES=a;b" "-DFORBID=ns::" -P ForeignSymbolCheck.cmake
foreach(file IN LISTS FILES)
    execute_process(COMMAND nm -C --defined-only ${file} OUTPUT_VARIABLE symbols RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "nm failed on ${file}")
    endif()
    foreach(ns IN LISTS FORBID)
        string(FIND "${symbols}" "${ns}" at)
        if(NOT at EQUAL -1)
            string(SUBSTRING "${symbols}" ${at} 160 sample)
            message(FATAL_ERROR "${file} defines symbols of ${ns}: ${sample}")
        endif()
    endforeach()
endforeach()
