# Pinweave's version is written once, in res/Version.h, which the resource
# compiler reads for the version block and the About box. This sets
# PINWEAVE_VERSION ("1.0.0.2") from its four numbers for project(), and makes
# a change of the header configure the build again.
set(PINWEAVE_VERSION_HEADER ${CMAKE_CURRENT_LIST_DIR}/../res/Version.h)
file(STRINGS ${PINWEAVE_VERSION_HEADER} pinweave_version_lines
     REGEX "^#define PINWEAVE_VERSION_(MAJOR|MINOR|PATCH|BUILD) +[0-9]+$")
set(PINWEAVE_VERSION "")
foreach(part MAJOR MINOR PATCH BUILD)
    set(pinweave_number "")
    foreach(line ${pinweave_version_lines})
        if(line MATCHES "^#define PINWEAVE_VERSION_${part} +([0-9]+)$")
            set(pinweave_number ${CMAKE_MATCH_1})
        endif()
    endforeach()
    if(pinweave_number STREQUAL "")
        message(FATAL_ERROR "${PINWEAVE_VERSION_HEADER} defines no PINWEAVE_VERSION_${part}")
    endif()
    if(PINWEAVE_VERSION STREQUAL "")
        set(PINWEAVE_VERSION ${pinweave_number})
    else()
        string(APPEND PINWEAVE_VERSION ".${pinweave_number}")
    endif()
endforeach()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PINWEAVE_VERSION_HEADER})
