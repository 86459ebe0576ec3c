# Runs a tool that must fail: a non-zero exit code and a stderr line matching
# EXPECT. Inputs: COMMAND (a ;-list), EXPECT (a regular expression).
execute_process(COMMAND ${COMMAND} RESULT_VARIABLE result ERROR_VARIABLE stderr)
if(result EQUAL 0)
  message(FATAL_ERROR "${COMMAND} reported success")
endif()
if(NOT stderr MATCHES "${EXPECT}")
  message(FATAL_ERROR "${COMMAND} said \"${stderr}\", expected \"${EXPECT}\"")
endif()
