# make install: libraries, headers under include/, a CMake package (find_package(tessaro) gives
# tessaro::tessaro and tessaro::pop) and pkg-config files.
include(CMakePackageConfigHelpers)

install(TARGETS pop tessaro
    EXPORT tessaroTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
    INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
)

# pop's headers include the platform's, so both go out with the libraries.
foreach(dir platform pop tessaro)
    install(DIRECTORY ${PROJECT_SOURCE_DIR}/${dir}/
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/${dir}
        FILES_MATCHING PATTERN "*.h"
    )
endforeach()

set(TESSARO_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/tessaro)

# The default skin, when this build makes it (not in the fuzz build): share/tessaro/skin/game,
# shared, pictures.txt and sounds.txt, as in build/skin. The package gives games TESSARO_SKIN_DIR and
# tessaro_stage_skin to stage it.
set(TESSARO_SKIN_INSTALL_DIR ${CMAKE_INSTALL_DATADIR}/tessaro/skin)
get_property(_tessaro_skin GLOBAL PROPERTY TESSARO_SKIN_SOURCE)
if(_tessaro_skin)
    install(DIRECTORY ${_tessaro_skin}/game ${_tessaro_skin}/shared DESTINATION ${TESSARO_SKIN_INSTALL_DIR})
    install(FILES ${_tessaro_skin}/pictures.txt ${_tessaro_skin}/sounds.txt DESTINATION ${TESSARO_SKIN_INSTALL_DIR})
endif()
install(FILES ${PROJECT_SOURCE_DIR}/cmake/TessaroSkin.cmake DESTINATION ${TESSARO_CMAKE_DIR})

install(EXPORT tessaroTargets
    NAMESPACE tessaro::
    DESTINATION ${TESSARO_CMAKE_DIR}
)
configure_package_config_file(
    ${PROJECT_SOURCE_DIR}/cmake/tessaroConfig.cmake.in
    ${PROJECT_BINARY_DIR}/tessaroConfig.cmake
    INSTALL_DESTINATION ${TESSARO_CMAKE_DIR}
    PATH_VARS TESSARO_SKIN_INSTALL_DIR
)
write_basic_package_version_file(
    ${PROJECT_BINARY_DIR}/tessaroConfigVersion.cmake
    VERSION ${PROJECT_VERSION}
    COMPATIBILITY SameMajorVersion
)
install(FILES
    ${PROJECT_BINARY_DIR}/tessaroConfig.cmake
    ${PROJECT_BINARY_DIR}/tessaroConfigVersion.cmake
    DESTINATION ${TESSARO_CMAKE_DIR}
)

# The .pc files find the prefix from their own place, so an install with --prefix stays usable.
file(RELATIVE_PATH TESSARO_PC_TO_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" TESSARO_PC_TO_PREFIX "${TESSARO_PC_TO_PREFIX}")
foreach(pc pop tessaro)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/${pc}.pc.in ${PROJECT_BINARY_DIR}/${pc}.pc @ONLY)
    install(FILES ${PROJECT_BINARY_DIR}/${pc}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endforeach()
