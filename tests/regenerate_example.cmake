# Regenerates the bundled demo with the tools into a scratch folder and
# requires every file to equal its committed copy in example/, byte for byte,
# so the committed content never drifts from the tools that make it.
# Inputs: MAKE_PICTURES, MAKE_DEMO_XM (tool paths), OUT (scratch folder),
# EXPECTED (the example folder).
file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}")
execute_process(COMMAND "${MAKE_PICTURES}" "${OUT}" COMMAND "${MAKE_DEMO_XM}" "${OUT}/demo.xm"
                RESULTS_VARIABLE results)
if(NOT results STREQUAL "0;0")
  message(FATAL_ERROR "make_pictures and make_demo_xm exited with ${results}")
endif()
# A file on one side only compares as different too.
file(GLOB generated RELATIVE "${OUT}" "${OUT}/*")
file(GLOB committed RELATIVE "${EXPECTED}" "${EXPECTED}/*.png" "${EXPECTED}/*.xm" "${EXPECTED}/*.dat")
foreach(name IN LISTS generated committed)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${OUT}/${name}" "${EXPECTED}/${name}"
                  RESULT_VARIABLE differs)
  if(differs)
    message(FATAL_ERROR "example/${name} is not what the tools make now; "
                        "rebuild it with make_pictures example && make_demo_xm example/demo.xm")
  endif()
endforeach()
