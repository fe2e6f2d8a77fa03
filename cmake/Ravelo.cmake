# Helpers shared by every folder of the project.

# Applies the project's warning set to a target.
function(ravelo_warnings target)
  # Not for the resource compiler, which takes no warning options.
  target_compile_options(${target} PRIVATE "$<$<COMPILE_LANGUAGE:C,CXX>:${RAVELO_WARNINGS}>")
endfunction()

# ravelo_program_file(target DESCRIPTION text [ICON] [MANIFEST]): the
# module's version resource (the project's version, product, publisher and
# copyright, and the file's own name) from the one template
# cmake/ProgramFile.rc.in; ICON adds the program's icon as the module's
# first icon (the one Explorer shows), MANIFEST the program's application
# manifest (resources/program/RaveloRemote.manifest) as the one Windows
# reads at process start.
function(ravelo_program_file target)
  cmake_parse_arguments(P "ICON;MANIFEST" "DESCRIPTION" "" ${ARGN})
  set(RAVELO_RC_TARGET ${target})
  set(RAVELO_RC_DESCRIPTION "${P_DESCRIPTION}")
  set(RAVELO_RC_VERSION ${CMAKE_PROJECT_VERSION})
  string(REPLACE "." "," RAVELO_RC_NUMBERS "${CMAKE_PROJECT_VERSION}.0")
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(RAVELO_RC_TYPE VFT_APP)
  else()
    set(RAVELO_RC_TYPE VFT_DLL)
  endif()
  set(RAVELO_RC_EXTRA "")
  set(depends "")
  if(P_ICON)
    string(APPEND RAVELO_RC_EXTRA "1 ICON \"${RAVELO_ICON}\"\n")
    list(APPEND depends ${RAVELO_ICON})
  endif()
  if(P_MANIFEST)
    # Resource type 24 (RT_MANIFEST), id 1: the manifest of a process's EXE.
    # mingw-w64's gcc would link its runtime's default-manifest.o beside it
    # if the runtime had one (Debian's has none); the installer test checks
    # that the program carries exactly this one.
    string(APPEND RAVELO_RC_EXTRA "1 24 \"${RAVELO_MANIFEST}\"\n")
    list(APPEND depends ${RAVELO_MANIFEST})
  endif()
  file(READ ${CMAKE_SOURCE_DIR}/cmake/ProgramFile.rc.in template)
  string(CONFIGURE "${template}" content @ONLY)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  file(GENERATE OUTPUT ${rc} CONTENT "${content}")
  # windres reads the icon and the manifest, which no dependency scan sees.
  set_source_files_properties(${rc} PROPERTIES GENERATED TRUE OBJECT_DEPENDS "${depends}")
  target_sources(${target} PRIVATE ${rc})
endfunction()

# ravelo_dist(target): the target's output is part of the installed program
# folder (build/dist).
function(ravelo_dist target)
  set_property(GLOBAL APPEND PROPERTY RAVELO_DIST_TARGETS ${target})
endfunction()

# ravelo_dist_dir(source dest): a folder of files shipped beside the program.
function(ravelo_dist_dir source dest)
  set_property(GLOBAL APPEND PROPERTY RAVELO_DIST_DIRS "${source}|${dest}")
endfunction()

# The configuration besides the default one (a 32-bit prefix, Wine's own
# Windows version, 1920x1080) that the test command also runs the tests
# marked WIN64_4K in: a 64-bit prefix, where the 32-bit program runs under
# WOW64 as on most users' Windows, on a 3840x2160 screen. scripts/matrix.sh
# runs every test labelled "matrix" in each configuration.
set(RAVELO_WIN64_4K_ENVIRONMENT RAVELO_WINEARCH=win64 RAVELO_WINVER= RAVELO_SCREEN=3840x2160)

# ravelo_test(name SOURCES ... [LIBS ...] [E2E] [OWN_MAIN] [TIMEOUT s] [LABELS ...]
#             [SHARDS n] [COST s] [WIN64_4K])
# One test executable is one CTest entry: a Wine process start is the
# expensive part, so a file groups many cases. Every test links the tests'
# support library (tests/support). SHARDS n splits a long one
# into n entries (name-1 .. name-n) that each run every n-th case (gtest's
# own sharding), so its cases wait side by side. COST is the expected run
# time in seconds: ctest starts the costly entries first when it has no
# times of its own yet. E2E tests are labelled "matrix" (scripts/matrix.sh
# runs them in every configuration); WIN64_4K adds the entry name@win64-4k,
# the test in the 64-bit 4K configuration, labelled "win64-4k".
function(ravelo_test name)
  cmake_parse_arguments(T "E2E;OWN_MAIN;WIN64_4K" "TIMEOUT;SHARDS;COST" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} ravelo_testsupport ravelo_win32 GTest::gmock GTest::gtest)
  if(NOT T_OWN_MAIN)
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  ravelo_warnings(${name})
  # Link the console subsystem so gtest output reaches the terminal.
  target_link_options(${name} PRIVATE -mconsole)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  set(environment RAVELO_DIST=${RAVELO_DIST_DIR} RAVELO_BIN=${CMAKE_BINARY_DIR}/bin RAVELO_SOURCE=${CMAKE_SOURCE_DIR}
    RAVELO_BUILD=${CMAKE_BINARY_DIR} RAVELO_WINE_TEMPLATES=${CMAKE_BINARY_DIR}/wine)
  if(T_SHARDS)
    math(EXPR last "${T_SHARDS} - 1")
    foreach(index RANGE ${last})
      math(EXPR number "${index} + 1")
      add_test(NAME ${name}-${number} COMMAND ${name} --gtest_color=no)
      set_tests_properties(${name}-${number} PROPERTIES
        ENVIRONMENT "${environment};GTEST_TOTAL_SHARDS=${T_SHARDS};GTEST_SHARD_INDEX=${index}")
      list(APPEND tests ${name}-${number})
    endforeach()
  else()
    add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${environment}")
    set(tests ${name})
  endif()
  if(T_E2E)
    list(APPEND T_LABELS matrix)
  endif()
  if(T_LABELS)
    set_tests_properties(${tests} PROPERTIES LABELS "${T_LABELS}")
  endif()
  if(T_WIN64_4K)
    if(T_SHARDS)
      message(FATAL_ERROR "ravelo_test(${name}): WIN64_4K takes an unsharded test")
    endif()
    add_test(NAME ${name}@win64-4k COMMAND ${name} --gtest_color=no)
    set_tests_properties(${name}@win64-4k PROPERTIES ENVIRONMENT "${environment};${RAVELO_WIN64_4K_ENVIRONMENT}"
      LABELS win64-4k)
    list(APPEND tests ${name}@win64-4k)
  endif()
  set_tests_properties(${tests} PROPERTIES TIMEOUT ${T_TIMEOUT})
  if(T_COST)
    set_tests_properties(${tests} PROPERTIES COST ${T_COST})
  endif()
  # End-to-end tests run the program (and the stand-ins) from the program
  # folder. Each test process has a Wine session of its own (cmake/wine-run.sh),
  # so copies of the program in different tests never meet.
  if(T_E2E)
    set_property(GLOBAL APPEND PROPERTY RAVELO_E2E_TESTS ${name})
  endif()
endfunction()

# ravelo_program_folder(target folder [PLAYER] [MOVIES dir] [DLLS target ...]):
# the target runs from build/<folder>, laid out like the program's folder:
# the stand-ins of the libraries the program imports (OVACPI.DLL,
# ORVASERVICE.DLL) and pngio.dll beside it, the shipped pictures and movies
# in Resource\. PLAYER adds the movie player (flashobj.dll), MOVIES puts the
# movie files of dir over the shipped ones, DLLS copies more libraries beside it.
function(ravelo_program_folder target folder)
  cmake_parse_arguments(F "PLAYER" "MOVIES" "DLLS" ${ARGN})
  set(dir ${CMAKE_BINARY_DIR}/${folder})
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${dir})
  set(dlls ovacpi_sim orvaservice_sim pngio ${F_DLLS})
  if(F_PLAYER)
    list(APPEND dlls flashobj)
  endif()
  add_dependencies(${target} ${dlls})
  set(commands)
  foreach(dll IN LISTS dlls)
    list(APPEND commands COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${dll}> ${dir}/)
  endforeach()
  list(APPEND commands COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/resources/Resource ${dir}/Resource)
  if(F_MOVIES)
    list(APPEND commands COMMAND ${CMAKE_COMMAND} -E copy_directory ${F_MOVIES} ${dir}/Resource)
  endif()
  add_custom_command(TARGET ${target} POST_BUILD ${commands} VERBATIM)
endfunction()

# Called once at the end of the top-level file: copies everything marked
# with ravelo_dist/ravelo_dist_dir into build/dist.
function(ravelo_finish_dist)
  get_property(targets GLOBAL PROPERTY RAVELO_DIST_TARGETS)
  get_property(dirs GLOBAL PROPERTY RAVELO_DIST_DIRS)
  set(commands COMMAND ${CMAKE_COMMAND} -E make_directory ${RAVELO_DIST_DIR})
  foreach(t IN LISTS targets)
    list(APPEND commands COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${t}> ${RAVELO_DIST_DIR}/)
  endforeach()
  foreach(pair IN LISTS dirs)
    string(REPLACE "|" ";" parts "${pair}")
    list(GET parts 0 src)
    list(GET parts 1 dest)
    list(APPEND commands COMMAND ${CMAKE_COMMAND} -E copy_directory ${src} ${RAVELO_DIST_DIR}/${dest})
  endforeach()
  add_custom_target(ravelo_dist ALL ${commands} COMMENT "Laying out the program folder in ${RAVELO_DIST_DIR}")
  if(targets)
    add_dependencies(ravelo_dist ${targets})
  endif()
  # End-to-end tests run the program folder with the whole simulated suite.
  get_property(e2e GLOBAL PROPERTY RAVELO_E2E_TESTS)
  foreach(t IN LISTS e2e)
    add_dependencies(${t} ravelo_dist RemoteService RaveloApexSim KelvoEngineSim)
  endforeach()
endfunction()
