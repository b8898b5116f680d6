# What `cmake --install` puts under the prefix:
#
#   lib/libhlvhost.so.*, lib/libhlvpreslayerdata.so.*,
#   lib/libhlvservices.so.*                              the libraries, with their sonames
#   bin/hlvpres                                          the tool, finding the libraries through
#                                                        an rpath relative to itself
#   include/hlvpreslayerdata/{host,parameters,presentation-model,connect,services}/
#                                                        the headers, written and generated
#   lib/cmake/hlvpreslayerdata/                          the CMake package
#   lib/pkgconfig/hlvpreslayerdata.pc                    the pkg-config file
#
#   share/hlvpreslayerdata/web/                        the web front end of `hlvpres serve`
#                                                        (installed by cli/CMakeLists.txt)
#
# The libraries read nothing from disk at run time: the built-in connector descriptions and the
# string tables are compiled into libhlvhost.

include(CMakePackageConfigHelpers)

set(HLV_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/hlvpreslayerdata)
set(HLV_INSTALL_HEADERDIR ${CMAKE_INSTALL_INCLUDEDIR}/hlvpreslayerdata)

install(TARGETS hlvhost hlvpreslayerdata hlvservices EXPORT hlvpreslayerdataTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} NAMELINK_COMPONENT Development
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

file(RELATIVE_PATH hlv_bin_to_lib ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
set_target_properties(hlvpres PROPERTIES INSTALL_RPATH "$ORIGIN/${hlv_bin_to_lib}")
install(TARGETS hlvpres RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

foreach(area IN ITEMS host parameters presentation-model connect services)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/${area} ${HLV_GENERATED_DIR}/${area}
          DESTINATION ${HLV_INSTALL_HEADERDIR} COMPONENT Development
          FILES_MATCHING PATTERN "*.h")
endforeach()

install(EXPORT hlvpreslayerdataTargets NAMESPACE hlvpreslayerdata:: DESTINATION ${HLV_INSTALL_CMAKEDIR}
        COMPONENT Development)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/hlvpreslayerdataConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/hlvpreslayerdataConfig.cmake
                              INSTALL_DESTINATION ${HLV_INSTALL_CMAKEDIR})
# Every 0.x minor version may break the interface; from 1.0 on a newer minor one is compatible.
if(PROJECT_VERSION_MAJOR EQUAL 0)
  set(hlv_compatibility SameMinorVersion)
else()
  set(hlv_compatibility SameMajorVersion)
endif()
write_basic_package_version_file(${PROJECT_BINARY_DIR}/hlvpreslayerdataConfigVersion.cmake
                                 COMPATIBILITY ${hlv_compatibility})
install(FILES ${PROJECT_BINARY_DIR}/hlvpreslayerdataConfig.cmake
              ${PROJECT_BINARY_DIR}/hlvpreslayerdataConfigVersion.cmake
        DESTINATION ${HLV_INSTALL_CMAKEDIR} COMPONENT Development)

# The .pc file names its folders relative to its own place, so a moved prefix still works.
file(RELATIVE_PATH HLV_PC_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
file(RELATIVE_PATH HLV_PC_LIBDIR ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_FULL_LIBDIR})
file(RELATIVE_PATH HLV_PC_INCLUDEDIR ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_FULL_INCLUDEDIR})
configure_file(${CMAKE_CURRENT_LIST_DIR}/hlvpreslayerdata.pc.in ${PROJECT_BINARY_DIR}/hlvpreslayerdata.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/hlvpreslayerdata.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
        COMPONENT Development)
