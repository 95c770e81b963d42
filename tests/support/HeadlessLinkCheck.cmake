# Fails when one of the test programs in FILES (';'-separated) needs a widget library directly:
# headless tests run without Qt Widgets, Qt Gui and the widget prompt. FORBID (';'-separated)
# names further libraries they must not need, such as the shared library built on their model.
# Run with: cmake "-DFILES=a;b" "-DFORBID=libX" -P HeadlessLinkCheck.cmake
foreach(file IN LISTS FILES)
    execute_process(COMMAND readelf -d ${file} OUTPUT_VARIABLE dynamic RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "readelf failed on ${file}")
    endif()
    foreach(lib Qt6Widgets Qt6Gui libqxmplatformui ${FORBID})
        if(dynamic MATCHES "NEEDED[^\n]*${lib}")
            message(FATAL_ERROR "${file} needs ${lib}")
        endif()
    endforeach()
endforeach()
