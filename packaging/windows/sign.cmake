# Signs the release's programs with osslsigncode (Authenticode, SHA-256), offline. What to sign
# with comes from the environment of `cpack`:
#   VANTREL_SIGN_PFX             the certificate and its private key, a PKCS#12 (.pfx) file
#   VANTREL_SIGN_PASSWORD_FILE   a file that holds its password, which never goes on a command line
#   VANTREL_SIGN_TIMESTAMP_URL   optional: an RFC 3161 timestamp server, so that the signatures
#                                stay valid after the certificate expires (needs the network)
# cpack runs it twice over (packaging/windows/CPackOptions.cmake):
#   as a pre-build script, it signs every .exe that is to go into the zip or the installer;
#   as `cmake -DFILE=PATH -P sign.cmake`, it signs one file: the uninstaller and the installer,
#   which NSIS writes itself.
cmake_minimum_required(VERSION 3.25)

foreach(variable VANTREL_SIGN_PFX VANTREL_SIGN_PASSWORD_FILE)
    if(NOT EXISTS "$ENV{${variable}}" OR IS_DIRECTORY "$ENV{${variable}}")
        message(FATAL_ERROR "Signing needs ${variable} to name a file, not \"$ENV{${variable}}\"; "
            "set VANTREL_SIGN_PFX and VANTREL_SIGN_PASSWORD_FILE both, or neither for no signing.")
    endif()
endforeach()
find_program(OSSLSIGNCODE osslsigncode)
if(NOT OSSLSIGNCODE)
    message(FATAL_ERROR "Signing needs osslsigncode: apt-get install osslsigncode")
endif()

function(vantrel_sign file)
    set(timestamp)
    if(NOT "$ENV{VANTREL_SIGN_TIMESTAMP_URL}" STREQUAL "")
        set(timestamp -ts "$ENV{VANTREL_SIGN_TIMESTAMP_URL}")
    endif()
    file(REMOVE "${file}.signed")
    execute_process(
        COMMAND "${OSSLSIGNCODE}" sign -pkcs12 "$ENV{VANTREL_SIGN_PFX}"
            -readpass "$ENV{VANTREL_SIGN_PASSWORD_FILE}" -h sha256 -n Vantrel ${timestamp}
            -in "${file}" -out "${file}.signed"
        RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(NOT status EQUAL 0)
        file(REMOVE "${file}.signed")
        message(FATAL_ERROR "osslsigncode could not sign ${file} (exit ${status}):\n${output}")
    endif()
    file(RENAME "${file}.signed" "${file}")
    message(STATUS "Signed ${file}")
endfunction()

if(DEFINED FILE)
    vantrel_sign("${FILE}")
else()
    file(GLOB_RECURSE programs "${CPACK_TEMPORARY_DIRECTORY}/*.exe")
    if(NOT programs)
        message(FATAL_ERROR "No program to sign in ${CPACK_TEMPORARY_DIRECTORY}")
    endif()
    foreach(program IN LISTS programs)
        vantrel_sign("${program}")
    endforeach()
endif()
