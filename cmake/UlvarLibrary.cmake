# ulvar_library(NAME <name> DESCRIPTION <text> [EXPORT_DEFINE <macro>]
#               [LINK <targets...>] [PC_REQUIRES <text>] [PC_EXTRA_CFLAGS <text>])
#
# Makes the pattern every library of the project follows:
#   <name>_obj    OBJECT library holding the sources (added later with
#                 target_sources), linked by both the shared library and the tests,
#                 so hidden internal classes stay testable;
#   <name>        SHARED library with VERSION/SOVERSION and hidden visibility,
#                 aliased as ulvar::<name>, installed and exported, with the
#                 run path "$ORIGIN" (its sibling libraries in the install);
#   <name>_tests  GoogleTest executable (sources added with target_sources).
# Public headers are installed by ulvar_public_headers (below), one call per folder.
function(ulvar_library)
  cmake_parse_arguments(L "" "NAME;DESCRIPTION;PC_REQUIRES;PC_EXTRA_CFLAGS" "LINK" ${ARGN})
  set(obj ${L_NAME}_obj)
  add_library(${obj} OBJECT)
  target_include_directories(${obj} PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>)
  target_link_libraries(${obj} PUBLIC ${L_LINK})

  add_library(${L_NAME} SHARED $<TARGET_OBJECTS:${obj}>)
  add_library(ulvar::${L_NAME} ALIAS ${L_NAME})
  # Installed beside each other, the libraries find their own dependencies
  # there from any prefix: a program's run path does not reach them.
  set_target_properties(${L_NAME} PROPERTIES
    VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR}
    INSTALL_RPATH "$ORIGIN")
  target_include_directories(${L_NAME} PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  target_link_libraries(${L_NAME} PUBLIC ${L_LINK})
  # clang links the ThreadSanitizer runtime into executables only, so in that
  # build the libraries leave its symbols to the program that loads them.
  if(NOT (ULVAR_SANITIZE_THREADS AND CMAKE_CXX_COMPILER_ID MATCHES "Clang"))
    target_link_options(${L_NAME} PRIVATE -Wl,--no-undefined)
  endif()
  install(TARGETS ${L_NAME} EXPORT ulvarTargets
          LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
          ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
          RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

  # The prefix is found relative to the .pc file, so an installed tree can be moved.
  file(RELATIVE_PATH PC_PREFIX_FROM_PCDIR
       ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
  string(REGEX REPLACE "/$" "" PC_PREFIX_FROM_PCDIR "${PC_PREFIX_FROM_PCDIR}")
  set(PC_NAME ${L_NAME})
  set(PC_DESCRIPTION "${L_DESCRIPTION}")
  set(PC_REQUIRES "${L_PC_REQUIRES}")
  set(PC_EXTRA_CFLAGS "${L_PC_EXTRA_CFLAGS}")
  configure_file(${PROJECT_SOURCE_DIR}/cmake/library.pc.in
                 ${PROJECT_BINARY_DIR}/${L_NAME}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/${L_NAME}.pc
          DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

  if(ULVAR_BUILD_TESTS)
    add_executable(${L_NAME}_tests)
    target_link_libraries(${L_NAME}_tests PRIVATE ${obj} GTest::gtest GTest::gtest_main
                          GTest::gmock Threads::Threads)
    gtest_discover_tests(${L_NAME}_tests DISCOVERY_TIMEOUT 60
                         PROPERTIES LABELS ${L_NAME})
  endif()
endfunction()

find_package(Threads REQUIRED)

# ulvar_public_headers(<header>...)
#
# Installs the public headers a folder names, each given relative to the calling
# CMakeLists.txt. Only headers named here are installed; internal ones live in
# an internal/ sub-folder and are refused, and so is test support (testing/).
#   include/<lib>/Name.h            -> <includedir>/<lib>/Name.h, included as "<lib>/Name.h"
#   inventory/<folder>/Name.h       -> <includedir>/ulvar/inventory/<folder>/Name.h, included
#                                      as "inventory/<folder>/Name.h" (-I<includedir>/ulvar)
function(ulvar_public_headers)
  foreach(header ${ARGN})
    get_filename_component(path ${header} ABSOLUTE)
    file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${path})
    if(NOT EXISTS ${path})
      message(FATAL_ERROR "public header ${rel} does not exist")
    endif()
    if(rel MATCHES "(^|/)(internal|testing)/")
      message(FATAL_ERROR "${rel} is internal or test support, never a public header")
    endif()
    if(rel MATCHES "^include/(.+)$")
      set(installed ${CMAKE_MATCH_1})
    elseif(rel MATCHES "^inventory/[^/]+/[^/]+[.]h$")
      set(installed ulvar/${rel})
    else()
      message(FATAL_ERROR "${rel} is in no folder that installs public headers")
    endif()
    get_filename_component(dir ${installed} DIRECTORY)
    install(FILES ${path} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/${dir})
  endforeach()
endfunction()
