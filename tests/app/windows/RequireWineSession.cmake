# Read by ctest after the test lists of the portable core's test programs
# (their <target>_TESTS variables): each of those tests runs through Wine and
# so needs the session fixture.
foreach(pinweave_list caph_tests_TESTS pid_tests_TESTS app_tests_TESTS)
    if(NOT "${${pinweave_list}}" STREQUAL "")
        set_tests_properties(${${pinweave_list}} PROPERTIES FIXTURES_REQUIRED wine_session)
    endif()
endforeach()
