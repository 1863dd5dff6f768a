# cmake -DPROGRAM=path -P CheckNoGui.cmake: fails when the program needs a
# library of Qt's Gui or Widgets modules, or has none of Qt Core (then the
# check would look at the wrong program).
execute_process(COMMAND ldd ${PROGRAM} OUTPUT_VARIABLE libraries RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "ldd failed on ${PROGRAM}")
endif()
if(NOT libraries MATCHES "libQt6Core")
    message(FATAL_ERROR "${PROGRAM} does not load Qt Core:\n${libraries}")
endif()
if(libraries MATCHES "libQt6(Gui|Widgets|OpenGL|PrintSupport)")
    message(FATAL_ERROR "${PROGRAM} loads a Qt window library:\n${libraries}")
endif()
message(STATUS "${PROGRAM} loads Qt Core only")
