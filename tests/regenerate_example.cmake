# Regenerates the bundled demo with the tools into a scratch directory and
# requires every file to equal its committed copy in example/, byte for byte,
# so the committed content never drifts from the tools that make it.
# Inputs: MAKE_PICTURES, MAKE_DEMO_XM (tool paths), OUT (scratch dir),
# EXPECTED (the example directory).
file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}")
execute_process(COMMAND "${MAKE_PICTURES}" "${OUT}" RESULT_VARIABLE pictures_result)
if(NOT pictures_result EQUAL 0)
  message(FATAL_ERROR "make_pictures failed: ${pictures_result}")
endif()
execute_process(COMMAND "${MAKE_DEMO_XM}" "${OUT}/demo.xm" RESULT_VARIABLE module_result)
if(NOT module_result EQUAL 0)
  message(FATAL_ERROR "make_demo_xm failed: ${module_result}")
endif()

file(GLOB generated RELATIVE "${OUT}" "${OUT}/*")
file(GLOB committed RELATIVE "${EXPECTED}" "${EXPECTED}/*.png" "${EXPECTED}/*.xm" "${EXPECTED}/*.dat")
list(SORT generated)
list(SORT committed)
if(NOT generated STREQUAL committed)
  message(FATAL_ERROR "example/ holds [${committed}] but the tools make [${generated}]")
endif()
foreach(name IN LISTS generated)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${OUT}/${name}" "${EXPECTED}/${name}"
                  RESULT_VARIABLE differs)
  if(differs)
    message(FATAL_ERROR "example/${name} differs from what the tools make now; "
                        "rebuild it with make_pictures example && make_demo_xm example/demo.xm")
  endif()
endforeach()
