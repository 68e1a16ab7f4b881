# The Windows programs' version resource, taken from the project version.
configure_file(${CMAKE_SOURCE_DIR}/cmake/corvessa.rc.in ${CMAKE_BINARY_DIR}/corvessa.rc @ONLY)
enable_language(RC)
target_sources(corvessa PRIVATE ${CMAKE_BINARY_DIR}/corvessa.rc)

# The zip a pilot unpacks: the four programs, the demo plan, demo.cmd and a
# short README, in one folder named after the version (`./dev.sh windows`
# builds this target; the zip lands in dist/).
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(CORVESSA_WINDOWS_BITS 64)
else()
  set(CORVESSA_WINDOWS_BITS 32)
endif()
set(CORVESSA_ZIP_NAME corvessa-${PROJECT_VERSION}-win${CORVESSA_WINDOWS_BITS})
set(CORVESSA_ZIP_STAGE ${CMAKE_BINARY_DIR}/zip/${CORVESSA_ZIP_NAME})
set(CORVESSA_DIST_DIR ${CMAKE_SOURCE_DIR}/dist CACHE PATH "Where the Windows zips go")
# Windows' own line ends, so that Notepad and cmd.exe read them as meant.
configure_file(${CMAKE_SOURCE_DIR}/tools/windows/demo.cmd.in ${CORVESSA_ZIP_STAGE}/demo.cmd
               @ONLY NEWLINE_STYLE CRLF)
configure_file(${CMAKE_SOURCE_DIR}/tools/windows/README-windows.txt.in
               ${CORVESSA_ZIP_STAGE}/README-windows.txt @ONLY NEWLINE_STYLE CRLF)
add_custom_target(windows-zip
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:corvessa> $<TARGET_FILE:corvessa-client>
          $<TARGET_FILE:corvessa-netlog> $<TARGET_FILE:corvessa-sim>
          ${CMAKE_SOURCE_DIR}/sim/standin/demo-plan.pln ${CORVESSA_ZIP_STAGE}
  # The debugging information stays in the build folder's programs.
  COMMAND ${CMAKE_STRIP} ${CORVESSA_ZIP_STAGE}/corvessa.exe ${CORVESSA_ZIP_STAGE}/corvessa-client.exe
          ${CORVESSA_ZIP_STAGE}/corvessa-netlog.exe ${CORVESSA_ZIP_STAGE}/corvessa-sim.exe
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CORVESSA_DIST_DIR}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${CORVESSA_DIST_DIR}/${CORVESSA_ZIP_NAME}.zip
  COMMAND ${CMAKE_COMMAND} -E tar cf ${CORVESSA_DIST_DIR}/${CORVESSA_ZIP_NAME}.zip --format=zip
          ${CORVESSA_ZIP_NAME}
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/zip
  DEPENDS corvessa corvessa-client corvessa-netlog corvessa-sim
  COMMENT "Packing ${CORVESSA_ZIP_NAME}.zip"
  VERBATIM)
