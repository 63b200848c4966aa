# Makes a new Wine prefix for the tests (the old one, if any, goes), and
# waits until Wine has finished setting it up.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${WINE} wineboot --init RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "wineboot --init failed: ${result}")
endif()
get_filename_component(wine_dir ${WINE} DIRECTORY)
find_program(WINESERVER NAMES wineserver wineserver64 HINTS ${wine_dir} /usr/lib/wine REQUIRED)
execute_process(COMMAND ${WINESERVER} -w)
if(NOT EXISTS ${PREFIX}/system.reg)
  message(FATAL_ERROR "no Wine prefix at ${PREFIX}")
endif()
