# Fails when one of the test programs in FILES (';'-separated) needs a widget library directly:
# the headless tests of the user records and of the administration rules run without Qt Widgets,
# libLudrik.so or the widget prompt.
foreach(file IN LISTS FILES)
    execute_process(COMMAND readelf -d ${file} OUTPUT_VARIABLE dynamic RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "readelf failed on ${file}")
    endif()
    foreach(lib Qt6Widgets Qt6Gui libLudrik libqxmplatformui)
        if(dynamic MATCHES "NEEDED[^\n]*${lib}")
            message(FATAL_ERROR "${file} needs ${lib}")
        endif()
    endforeach()
endforeach()
