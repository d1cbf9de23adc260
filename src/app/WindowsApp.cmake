# Pinweave.exe: the Windows dialog shell over the portable core, without MFC.
# Included from src/app/CMakeLists.txt for Windows builds only.
enable_language(RC)

set(PINWEAVE_RES_DIR ${PROJECT_SOURCE_DIR}/res)

# The engine renders the generation date through the system's regional
# settings on Windows.
target_sources(pinweave_pid PRIVATE ${CMAKE_CURRENT_LIST_DIR}/GenerationDateWin.cpp
                                    ${CMAKE_CURRENT_LIST_DIR}/FileSystemWin.cpp
                                    ${CMAKE_CURRENT_LIST_DIR}/OutputFolderWin.cpp
                                    ${CMAKE_CURRENT_LIST_DIR}/SystemReasonWin.cpp)
target_link_libraries(pinweave_pid PUBLIC oleaut32)

# Everything of the shell but the entry point, so tests can link it.
add_library(pinweave_winapp STATIC
    ${CMAKE_CURRENT_LIST_DIR}/DataExchangeWin.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DialogLayoutWin.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DialogWin.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DlgAboutWin.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DlgOutputExistsWin.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ErrorConsoleWin.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FolderBrowserWin.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MessageBoxWin.cpp
    ${CMAKE_CURRENT_LIST_DIR}/OpenFileDialogWin.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PinweaveAppWin.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PinweaveDlgWin.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RegistrySettingsWin.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ResourceStringWin.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ScanThreadWin.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Settings.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WindowThreadCallWin.cpp)
target_include_directories(pinweave_winapp PUBLIC ${CMAKE_CURRENT_LIST_DIR}/.. ${PINWEAVE_RES_DIR})
target_compile_definitions(pinweave_winapp PUBLIC NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
target_link_libraries(pinweave_winapp
    PUBLIC pinweave_pid pinweave_cmdline comctl32 comdlg32 shell32 shlwapi ole32 oleaut32 advapi32)
pinweave_warnings(pinweave_winapp)

# The resource script goes through windres, which takes none of the C++
# warning flags: it is an object library of its own.
add_library(pinweave_resources OBJECT ${PINWEAVE_RES_DIR}/Pinweave.rc)
target_include_directories(pinweave_resources PRIVATE ${PROJECT_SOURCE_DIR}/src ${PINWEAVE_RES_DIR})
# windres output does not track the files the script names by itself.
set_source_files_properties(${PINWEAVE_RES_DIR}/Pinweave.rc PROPERTIES OBJECT_DEPENDS
    "${PINWEAVE_RES_DIR}/Pinweave.ico;${PINWEAVE_RES_DIR}/Pinweave.manifest;${PINWEAVE_RES_DIR}/resource.h;${PINWEAVE_RES_DIR}/Version.h;${PROJECT_SOURCE_DIR}/src/common/MessageTable.h")

add_executable(Pinweave WIN32 ${CMAKE_CURRENT_LIST_DIR}/WinMainWin.cpp)
target_link_libraries(Pinweave PRIVATE pinweave_winapp pinweave_resources)
pinweave_warnings(Pinweave)
