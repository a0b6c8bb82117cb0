# Writes the evaluation set into WORKDIR and checks the recogniser's
# accuracy on it against REFSET.
execute_process(COMMAND "${GENERATOR}" "${WORKDIR}/refset-eval-run.db" "${WORKDIR}/evalset.db"
    RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "refset_gen failed: ${status}")
endif()
execute_process(COMMAND "${EVALUATOR}" "${REFSET}" "${WORKDIR}/evalset.db" "${MINIMUM}"
    RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "accuracy below ${MINIMUM} %")
endif()
