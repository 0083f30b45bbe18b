# The release archive: korvidadm-<version>-win64.zip (win32 from the i686 build) holding the shipped
# programs and the README as text in one folder. Unzip and run: no installer, nothing written anywhere.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    set(KORVID_PACKAGE_SYSTEM win64)
else()
    set(KORVID_PACKAGE_SYSTEM win32)
endif()

set(KORVID_PACKAGE_PROGRAMS korvidadm)
if(TARGET korvidpol)
    list(APPEND KORVID_PACKAGE_PROGRAMS korvidpol)
endif()
install(TARGETS ${KORVID_PACKAGE_PROGRAMS} RUNTIME DESTINATION .)

# The README with Windows line ends, so that any text editor there shows it as written.
file(READ ${CMAKE_SOURCE_DIR}/README.md KORVID_README)
string(REPLACE "\r\n" "\n" KORVID_README "${KORVID_README}")
string(REPLACE "\n" "\r\n" KORVID_README "${KORVID_README}")
file(WRITE ${CMAKE_BINARY_DIR}/package/README.txt "${KORVID_README}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/README.md)
install(FILES ${CMAKE_BINARY_DIR}/package/README.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME korvidadm)
set(CPACK_PACKAGE_VENDOR "Korvid Research & Development")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_SYSTEM_NAME ${KORVID_PACKAGE_SYSTEM})
set(KORVID_PACKAGE_NAME korvidadm-${PROJECT_VERSION}-${KORVID_PACKAGE_SYSTEM})
set(CPACK_PACKAGE_FILE_NAME ${KORVID_PACKAGE_NAME})
set(CPACK_STRIP_FILES OFF)
include(CPack)

# What the archive must hold, for the package test.
set(KORVID_PACKAGE_FILES README.txt)
foreach(program ${KORVID_PACKAGE_PROGRAMS})
    list(APPEND KORVID_PACKAGE_FILES ${program}.exe)
endforeach()
if(KORVID_TESTS)
    add_test(NAME PackageArchive COMMAND sh ${CMAKE_SOURCE_DIR}/tests/check-package.sh
        ${CMAKE_BINARY_DIR} ${KORVID_PACKAGE_NAME} ${KORVID_PACKAGE_FILES})
endif()
