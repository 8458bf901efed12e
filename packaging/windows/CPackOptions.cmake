# Read by cpack for each generator: the installer's file name tells it apart from the zip's.
if(CPACK_GENERATOR STREQUAL "NSIS")
    set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_FILE_NAME}-setup")
endif()

# A release is signed when the environment names a certificate (see sign.cmake): the programs
# before they are packed, then the uninstaller and the installer as NSIS writes them.
if(DEFINED ENV{VANTREL_SIGN_PFX} OR DEFINED ENV{VANTREL_SIGN_PASSWORD_FILE})
    set(CPACK_PRE_BUILD_SCRIPTS "${CMAKE_CURRENT_LIST_DIR}/sign.cmake")
    set(sign "\"${CMAKE_COMMAND}\" -DFILE=\"%1\" -P \"${CMAKE_CURRENT_LIST_DIR}/sign.cmake\"")
    set(CPACK_VANTREL_NSIS_SIGNING "!uninstfinalize '${sign}' = 0\n!finalize '${sign}' = 0")
endif()
