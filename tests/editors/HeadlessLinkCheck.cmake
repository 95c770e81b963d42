# Fails when one of the test programs in FILES (';'-separated) needs a Qt library or the widget
# prompt: the editors' model library and its tests use no Qt at all.
foreach(file IN LISTS FILES)
    execute_process(COMMAND readelf -d ${file} OUTPUT_VARIABLE dynamic RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "readelf failed on ${file}")
    endif()
    foreach(lib libQt6 libqxmplatformui)
        if(dynamic MATCHES "NEEDED[^\n]*${lib}")
            message(FATAL_ERROR "${file} needs ${lib}")
        endif()
    endforeach()
endforeach()
