# Every test runs in the same environment on every machine, whatever the
# developer's session holds: no display, no D-Bus session or system bus, the
# C.UTF-8 locale, Qt's offscreen platform. A test that needs one of these
# makes its own (a private Xvfb display, a private bus with dbus-run-session,
# a German locale) and names the variable in its ENVIRONMENT property, which
# this leaves alone.
#
# libdbus starts a session bus of its own ("autolaunch") when
# DBUS_SESSION_BUS_ADDRESS is unset; where that fails it leaks, and where it
# succeeds the test talks to a bus nobody set up. An address that cannot be
# reached makes every bus client fail at once instead.
set(CORVANE_TEST_DEFAULT_ENVIRONMENT
    "DBUS_SESSION_BUS_ADDRESS=set:unix:path=/nonexistent/corvane-no-session-bus"
    "DBUS_SYSTEM_BUS_ADDRESS=set:unix:path=/nonexistent/corvane-no-system-bus"
    "DISPLAY=unset:"
    "WAYLAND_DISPLAY=unset:"
    "QT_QPA_PLATFORM=set:offscreen"
    "LANG=set:C.UTF-8"
    "LANGUAGE=unset:"
    "LC_ALL=unset:"
)

# Gives test `name` the default for each variable it does not set itself.
# Runs at the end of the folder that added the test, when its own ENVIRONMENT
# is complete.
function(corvane_default_test_environment name)
    get_property(own TEST ${name} PROPERTY ENVIRONMENT)
    foreach(default ${CORVANE_TEST_DEFAULT_ENVIRONMENT})
        string(REGEX REPLACE "=.*" "" variable "${default}")
        if(NOT "${own}" MATCHES "(^|;)${variable}=")
            set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT_MODIFICATION "${default}")
        endif()
    endforeach()
endfunction()

# Every add_test of the project, in whichever folder, gets the defaults.
function(add_test)
    _add_test(${ARGV})
    cmake_parse_arguments(PARSE_ARGV 0 TEST "" "NAME" "")
    if(NOT TEST_NAME)
        message(FATAL_ERROR "add_test: give the test's NAME")
    endif()
    # A deferred call reads its arguments when it runs: put the name in now.
    cmake_language(EVAL CODE
        "cmake_language(DEFER CALL corvane_default_test_environment [[${TEST_NAME}]])")
endfunction()
