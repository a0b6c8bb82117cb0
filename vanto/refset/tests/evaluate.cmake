# Writes the evaluation set into WORKDIR and checks the recogniser's
# accuracy on it against REFSET: top-1 on digits and upper-case letters of
# all held-out faces, at least MINIMUM % in the line's frame and
# MINIMUM_CROPPED % cropped close.
execute_process(COMMAND "${GENERATOR}" "${WORKDIR}/refset-eval-run.db" "${WORKDIR}/evalset.db"
    RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "refset_gen failed: ${status}")
endif()
execute_process(COMMAND "${EVALUATOR}" "${REFSET}" "${WORKDIR}/evalset.db" "${MINIMUM}"
    "${MINIMUM_CROPPED}"
    RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "accuracy below ${MINIMUM} % (line) or ${MINIMUM_CROPPED} % (cropped)")
endif()
