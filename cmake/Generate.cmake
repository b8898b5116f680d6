# Runs tools/generate.py over schema/ at build time.
#
# The list of generated files is asked of the generator when CMake configures, and CMake
# configures again whenever the schema or the generator changes. The generator rewrites only
# the files whose text changed, so a run that changes nothing rebuilds nothing.

file(GLOB_RECURSE HLV_SCHEMA_FILES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/schema/*.def ${PROJECT_SOURCE_DIR}/schema/*.records)
file(GLOB_RECURSE HLV_GENERATOR_FILES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tools/generate.py ${PROJECT_SOURCE_DIR}/tools/hlvgen/*.py)

execute_process(
  COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/generate.py --schema ${PROJECT_SOURCE_DIR}/schema --list
  OUTPUT_VARIABLE hlv_generated_list
  ERROR_VARIABLE hlv_generate_error
  RESULT_VARIABLE hlv_generate_result)
if(NOT hlv_generate_result EQUAL 0)
  message(FATAL_ERROR "The schema cannot be read:\n${hlv_generate_error}")
endif()

string(REPLACE "\n" ";" hlv_generated_list "${hlv_generated_list}")
set(HLV_GENERATED_FILES "")
set(HLV_GENERATED_SOURCES "")          # the library's
set(HLV_GENERATED_HOST_SOURCES "")     # the host runtime's
set(HLV_GENERATED_TEST_SOURCES "")     # the tests' fixtures
foreach(path IN LISTS hlv_generated_list)
  if(path)
    list(APPEND HLV_GENERATED_FILES ${HLV_GENERATED_DIR}/${path})
    if(path MATCHES "^tests/.*\\.cpp$")
      list(APPEND HLV_GENERATED_TEST_SOURCES ${HLV_GENERATED_DIR}/${path})
    elseif(path MATCHES "^host/.*\\.cpp$")
      list(APPEND HLV_GENERATED_HOST_SOURCES ${HLV_GENERATED_DIR}/${path})
    elseif(path MATCHES "\\.cpp$")
      list(APPEND HLV_GENERATED_SOURCES ${HLV_GENERATED_DIR}/${path})
    endif()
  endif()
endforeach()

add_custom_command(
  OUTPUT ${HLV_GENERATED_DIR}/generate.stamp
  BYPRODUCTS ${HLV_GENERATED_FILES}
  COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/generate.py --schema ${PROJECT_SOURCE_DIR}/schema
          --out ${HLV_GENERATED_DIR}
  COMMAND ${CMAKE_COMMAND} -E touch ${HLV_GENERATED_DIR}/generate.stamp
  DEPENDS ${HLV_SCHEMA_FILES} ${HLV_GENERATOR_FILES}
  COMMENT "Generating the catalogue and the records from schema/"
  VERBATIM)
add_custom_target(hlv_generate DEPENDS ${HLV_GENERATED_DIR}/generate.stamp)
