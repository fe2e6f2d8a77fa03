# Helpers shared by every folder of the project.

# Applies the project's warning set to a target.
function(ravelo_warnings target)
  target_compile_options(${target} PRIVATE ${RAVELO_WARNINGS})
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

# ravelo_test(name SOURCES ... [LIBS ...] [E2E] [OWN_MAIN] [TIMEOUT s] [LABELS ...]
#             [SHARDS n] [COST s])
# One test executable is one CTest entry: a Wine process start is the
# expensive part, so a file groups many cases. Every test links the tests'
# support library (tests/support). SHARDS n splits a long one
# into n entries (name-1 .. name-n) that each run every n-th case (gtest's
# own sharding), so its cases wait side by side. COST is the expected run
# time in seconds: ctest starts the costly entries first when it has no
# times of its own yet.
function(ravelo_test name)
  cmake_parse_arguments(T "E2E;OWN_MAIN" "TIMEOUT;SHARDS;COST" "SOURCES;LIBS;LABELS" ${ARGN})
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
    RAVELO_BUILD=${CMAKE_BINARY_DIR} RAVELO_WINE_TEMPLATE=${CMAKE_BINARY_DIR}/wine/template)
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
  set_tests_properties(${tests} PROPERTIES TIMEOUT ${T_TIMEOUT})
  if(T_LABELS)
    set_tests_properties(${tests} PROPERTIES LABELS "${T_LABELS}")
  endif()
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
