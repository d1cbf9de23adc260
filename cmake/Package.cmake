# The release packages, made by the target `dist` of a build tree in
# <tree>/dist (`make dist` collects both into dist/), and the install rules of
# the Linux program.
#
#   Windows tree: Pinweave-<version>-win64.zip, without a top folder (Windows'
#     "Extract All" makes one): Pinweave.exe stripped of its debug sections,
#     README.txt (the user guide), LICENSE and CHANGELOG.md with CR LF line
#     ends, examples/sample.tst.
#   Linux tree: pinweave-<version>-linux-<processor>.tar.gz, one folder of that
#     name: bin/pinweave (stripped), share/man/man1/pinweave.1, README.txt,
#     LICENSE, CHANGELOG.md, examples/sample.tst.
#
# `cmake --install <tree> --prefix P` puts the Linux program into P/bin, its
# man page into P/share/man/man1 and the documents and the example into
# P/share/doc/pinweave. The version comes from res/Version.h (ReadVersion.cmake).
# <tree>/dist holds this tree's one package and nothing else.
set(PINWEAVE_DIST_DIR ${CMAKE_BINARY_DIR}/dist)
set(pinweave_staging ${CMAKE_BINARY_DIR}/package)

# The documents, with the line ends of the system they go to; the guide and the
# man page name the version.
if(WIN32)
    set(pinweave_newlines CRLF)
else()
    set(pinweave_newlines UNIX)
endif()
set(pinweave_docs "")
foreach(pair "doc/UserGuide.txt=README.txt" "LICENSE=LICENSE" "CHANGELOG.md=CHANGELOG.md")
    string(REPLACE "=" ";" pair "${pair}")
    list(GET pair 0 source)
    list(GET pair 1 name)
    configure_file(${PROJECT_SOURCE_DIR}/${source} ${pinweave_staging}/doc/${name}
                   @ONLY NEWLINE_STYLE ${pinweave_newlines})
    list(APPEND pinweave_docs ${pinweave_staging}/doc/${name})
endforeach()
set(pinweave_example ${PROJECT_SOURCE_DIR}/examples/sample.tst)

if(WIN32)
    set(PINWEAVE_PACKAGE_NAME Pinweave-${PROJECT_VERSION}-win64)
    set(PINWEAVE_PACKAGE ${PINWEAVE_DIST_DIR}/${PINWEAVE_PACKAGE_NAME}.zip)
    set(stage ${pinweave_staging}/${PINWEAVE_PACKAGE_NAME})
    add_custom_command(OUTPUT ${PINWEAVE_PACKAGE}
        COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage} ${PINWEAVE_DIST_DIR}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}/examples ${PINWEAVE_DIST_DIR}
        COMMAND ${CMAKE_STRIP} --strip-all -o ${stage}/Pinweave.exe $<TARGET_FILE:Pinweave>
        COMMAND ${CMAKE_COMMAND} -E copy ${pinweave_docs} ${stage}
        COMMAND ${CMAKE_COMMAND} -E copy ${pinweave_example} ${stage}/examples
        COMMAND ${CMAKE_COMMAND} -E chdir ${stage}
                ${CMAKE_COMMAND} -E tar cf ${PINWEAVE_PACKAGE} --format=zip
                Pinweave.exe README.txt LICENSE CHANGELOG.md examples
        DEPENDS Pinweave ${pinweave_docs} ${pinweave_example}
        COMMENT "Packing ${PINWEAVE_PACKAGE_NAME}.zip"
        VERBATIM)
else()
    include(GNUInstallDirs)
    set(pinweave_man_page ${pinweave_staging}/man/pinweave.1)
    configure_file(${PROJECT_SOURCE_DIR}/doc/pinweave.1.in ${pinweave_man_page} @ONLY)
    set(pinweave_docdir ${CMAKE_INSTALL_DATAROOTDIR}/doc/pinweave)
    install(TARGETS pinweave RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT program)
    install(FILES ${pinweave_man_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT program)
    install(FILES ${pinweave_docs} DESTINATION ${pinweave_docdir} COMPONENT documents)
    install(FILES ${pinweave_example} DESTINATION ${pinweave_docdir}/examples COMPONENT documents)

    # The tarball holds the program's installation and, at its top, the
    # documents, where someone who unpacks it looks first.
    string(TOLOWER "${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}" pinweave_platform)
    set(PINWEAVE_PACKAGE_NAME pinweave-${PROJECT_VERSION}-${pinweave_platform})
    set(PINWEAVE_PACKAGE ${PINWEAVE_DIST_DIR}/${PINWEAVE_PACKAGE_NAME}.tar.gz)
    set(stage ${pinweave_staging}/${PINWEAVE_PACKAGE_NAME})
    add_custom_command(OUTPUT ${PINWEAVE_PACKAGE}
        COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage} ${PINWEAVE_DIST_DIR}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}/examples ${PINWEAVE_DIST_DIR}
        COMMAND ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR} --prefix ${stage} --component program --strip
        COMMAND ${CMAKE_COMMAND} -E copy ${pinweave_docs} ${stage}
        COMMAND ${CMAKE_COMMAND} -E copy ${pinweave_example} ${stage}/examples
        COMMAND ${CMAKE_COMMAND} -E chdir ${pinweave_staging}
                ${CMAKE_COMMAND} -E tar czf ${PINWEAVE_PACKAGE} ${PINWEAVE_PACKAGE_NAME}
        DEPENDS pinweave ${pinweave_man_page} ${pinweave_docs} ${pinweave_example}
        COMMENT "Packing ${PINWEAVE_PACKAGE_NAME}.tar.gz"
        VERBATIM)
endif()
add_custom_target(dist DEPENDS ${PINWEAVE_PACKAGE})
