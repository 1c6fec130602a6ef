# What an enterprise deploys, beside the NSIS setup of win/CMakeLists.txt: the MSI built with wixl
# (msitools), and Authenticode signatures on every program, the setup and the MSI when a
# certificate is given at configure time:
#   -DHORAVANE_SIGNING_CERT=cert.pem -DHORAVANE_SIGNING_KEY=key.pem [-DHORAVANE_TIMESTAMP_URL=...]
# HORAVANE_SIGNING_KEY may instead be a PKCS#11 URI of a key on a hardware token, with
# HORAVANE_SIGNING_PKCS11_MODULE naming the token's module (see the README).
set(HORAVANE_SIGNING_CERT "" CACHE FILEPATH "PEM certificate (chain) that signs the Windows files")
set(HORAVANE_SIGNING_KEY "" CACHE STRING "PEM private key, or a PKCS#11 URI with HORAVANE_SIGNING_PKCS11_MODULE")
set(HORAVANE_SIGNING_PKCS11_MODULE "" CACHE FILEPATH "PKCS#11 module of the hardware token that holds the key")
set(HORAVANE_TIMESTAMP_URL "" CACHE STRING "RFC 3161 timestamp server for the signatures (none if empty)")

set(HORAVANE_SIGN_COMMAND "")
if(HORAVANE_SIGNING_CERT AND HORAVANE_SIGNING_KEY)
  find_program(HORAVANE_OSSLSIGNCODE osslsigncode NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  set(HORAVANE_SIGN_COMMAND sh ${PROJECT_SOURCE_DIR}/cmake/sign.sh ${HORAVANE_OSSLSIGNCODE} ${HORAVANE_SIGNING_CERT}
                            ${HORAVANE_SIGNING_KEY})
  if(HORAVANE_TIMESTAMP_URL)
    list(APPEND HORAVANE_SIGN_COMMAND --timestamp ${HORAVANE_TIMESTAMP_URL})
  endif()
  if(HORAVANE_SIGNING_PKCS11_MODULE)
    list(APPEND HORAVANE_SIGN_COMMAND --pkcs11-module ${HORAVANE_SIGNING_PKCS11_MODULE})
  endif()
  message(STATUS "Code signing: every program, the setup and the MSI, with ${HORAVANE_SIGNING_CERT}")
  foreach(program horavane horavanectl horavane-sim)
    add_custom_command(TARGET ${program} POST_BUILD COMMAND ${HORAVANE_SIGN_COMMAND} $<TARGET_FILE:${program}>
                       VERBATIM)
  endforeach()
else()
  message(STATUS "Code signing: off, nothing is signed (set HORAVANE_SIGNING_CERT and HORAVANE_SIGNING_KEY)")
endif()

# wixl finds a file's Source relative to the .wxs, so the package is put together in a folder of
# its own: the three programs, the icon and the source, then wixl there.
find_program(HORAVANE_WIXL wixl NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(HORAVANE_MSI ${PROJECT_BINARY_DIR}/horavane-${PROJECT_VERSION}-x64.msi)
set(msi_folder ${PROJECT_BINARY_DIR}/msi)
file(MAKE_DIRECTORY ${msi_folder})
set(sign_msi "")
if(HORAVANE_SIGN_COMMAND)
  set(sign_msi COMMAND ${HORAVANE_SIGN_COMMAND} ${HORAVANE_MSI})
endif()
add_custom_command(
  OUTPUT ${HORAVANE_MSI}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:horavane> $<TARGET_FILE:horavanectl> $<TARGET_FILE:horavane-sim>
          ${PROJECT_SOURCE_DIR}/resources/icons/horavane.ico ${PROJECT_SOURCE_DIR}/resources/horavane.wxs ${msi_folder}
  # Add/Remove Programs shows the size from ARPSIZE, in KiB.
  COMMAND sh -c "size=$(du -k -c horavane.exe horavanectl.exe horavane-sim.exe | tail -n 1 | cut -f 1) && \
${HORAVANE_WIXL} -a x64 -D Version=${PROJECT_VERSION} -D SizeKiB=$size -D Window=horavane.exe \
-D Ctl=horavanectl.exe -D Sim=horavane-sim.exe -D Icon=horavane.ico -o ${HORAVANE_MSI} horavane.wxs"
  ${sign_msi}
  WORKING_DIRECTORY ${msi_folder}
  DEPENDS horavane horavanectl horavane-sim ${PROJECT_SOURCE_DIR}/resources/horavane.wxs
  COMMENT "Building the MSI"
  VERBATIM)
add_custom_target(horavane_msi ALL DEPENDS ${HORAVANE_MSI})
