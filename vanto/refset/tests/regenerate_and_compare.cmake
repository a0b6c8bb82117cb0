# Runs the generator into OUTPUT and fails unless it equals EXPECTED byte
# for byte.
execute_process(COMMAND "${GENERATOR}" "${OUTPUT}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "refset_gen failed: ${status}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${OUTPUT}" "${EXPECTED}"
    RESULT_VARIABLE different)
if(NOT different EQUAL 0)
    message(FATAL_ERROR "${OUTPUT} differs from the committed ${EXPECTED}; "
        "regenerate it with refset_gen and commit it if the change is intended")
endif()
