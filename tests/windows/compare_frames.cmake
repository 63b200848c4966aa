# Renders the same frames through the Linux module and the Windows DLL (under
# Wine) and fails unless the two files are equal byte for byte: once with the
# processor's vector kernels, once with the scalar ones.
file(MAKE_DIRECTORY ${OUT})
foreach(scalar 0 1)
set(ENV{SVT_FORCE_SCALAR} ${scalar})
foreach(side linux windows)
  if(side STREQUAL linux)
    # A settings store of its own, so that the user's settings change nothing.
    set(ENV{SVT_REGISTRY_ROOT} ${OUT}/linux-registry)
    set(command ${LINUX_DUMP} ${SO} ${OUT}/linux-${scalar}.raw)
  else()
    set(command ${WINE} ${WINDOWS_DUMP} ${DLL} ${OUT}/windows-${scalar}.raw)
  endif()
  execute_process(COMMAND ${command} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${side} frame_dump failed (${result})")
  endif()
endforeach()
file(SIZE ${OUT}/linux-${scalar}.raw size)
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT}/linux-${scalar}.raw ${OUT}/windows-${scalar}.raw
  RESULT_VARIABLE differ)
if(NOT size GREATER 0 OR differ)
  message(FATAL_ERROR "the DLL's frames differ from the Linux module's (${OUT}/*-${scalar}.raw)")
endif()
message(STATUS "SVT_FORCE_SCALAR=${scalar}: ${size} bytes of frames equal")
endforeach()
