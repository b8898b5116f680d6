# The API reference: `cmake --build BUILD --target doc` writes BUILD/doc/html from the doc
# comments of the public headers, and fails on any Doxygen warning. Without Doxygen there is no
# doc target.
find_package(Doxygen QUIET)
if(NOT DOXYGEN_FOUND)
  return()
endif()
set(HLV_DOC_OUTPUT ${PROJECT_BINARY_DIR}/doc)
configure_file(${PROJECT_SOURCE_DIR}/cmake/Doxyfile.in ${HLV_DOC_OUTPUT}/Doxyfile @ONLY)
add_custom_target(doc
                  COMMAND ${DOXYGEN_EXECUTABLE} ${HLV_DOC_OUTPUT}/Doxyfile
                  WORKING_DIRECTORY ${HLV_DOC_OUTPUT}
                  COMMENT "Writing the API reference to ${HLV_DOC_OUTPUT}/html"
                  VERBATIM)
# The generated headers are part of the reference.
add_dependencies(doc hlv_generate)
