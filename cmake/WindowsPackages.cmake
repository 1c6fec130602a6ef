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
else()
  message(STATUS "Code signing: off, nothing is signed (set HORAVANE_SIGNING_CERT and HORAVANE_SIGNING_KEY)")
endif()

# What ships, in dist/: the three programs (signed there, when they are), and beside them the
# MSI's source and icon, since wixl finds a file's Source relative to the .wxs. Both installers
# take the programs from here.
set(HORAVANE_DIST ${PROJECT_BINARY_DIR}/dist)
file(MAKE_DIRECTORY ${HORAVANE_DIST})
set(HORAVANE_DIST_PROGRAMS ${HORAVANE_DIST}/horavane.exe ${HORAVANE_DIST}/horavanectl.exe
                           ${HORAVANE_DIST}/horavane-sim.exe)
set(sign_programs "")
if(HORAVANE_SIGN_COMMAND)
  set(sign_programs COMMAND ${HORAVANE_SIGN_COMMAND} ${HORAVANE_DIST_PROGRAMS})
endif()
add_custom_command(
  OUTPUT ${HORAVANE_DIST_PROGRAMS}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:horavane> $<TARGET_FILE:horavanectl> $<TARGET_FILE:horavane-sim>
          ${HORAVANE_DIST}
  ${sign_programs}
  DEPENDS horavane horavanectl horavane-sim
  COMMENT "The programs that ship, in dist/"
  VERBATIM)
add_custom_target(horavane_dist ALL DEPENDS ${HORAVANE_DIST_PROGRAMS})

find_program(HORAVANE_WIXL wixl NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(HORAVANE_MSI ${PROJECT_BINARY_DIR}/horavane-${PROJECT_VERSION}-x64.msi)
set(sign_msi "")
if(HORAVANE_SIGN_COMMAND)
  set(sign_msi COMMAND ${HORAVANE_SIGN_COMMAND} ${HORAVANE_MSI})
endif()
add_custom_command(
  OUTPUT ${HORAVANE_MSI}
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/resources/icons/horavane.ico
          ${PROJECT_SOURCE_DIR}/resources/horavane.wxs ${HORAVANE_DIST}
  # Add/Remove Programs shows the size from ARPSIZE, in KiB.
  COMMAND sh -c "size=$(du -k -c horavane.exe horavanectl.exe horavane-sim.exe | tail -n 1 | cut -f 1) && \
${HORAVANE_WIXL} -a x64 -D Version=${PROJECT_VERSION} -D SizeKiB=$size -D Window=horavane.exe \
-D Ctl=horavanectl.exe -D Sim=horavane-sim.exe -D Icon=horavane.ico -o ${HORAVANE_MSI} horavane.wxs"
  ${sign_msi}
  WORKING_DIRECTORY ${HORAVANE_DIST}
  DEPENDS ${HORAVANE_DIST_PROGRAMS} ${PROJECT_SOURCE_DIR}/resources/horavane.wxs
  COMMENT "Building the MSI"
  VERBATIM)
add_custom_target(horavane_msi ALL DEPENDS ${HORAVANE_MSI})
