# Draws the evaluation images of FILTER (parts and conditions, as refset_gen
# takes them) in memory and checks the recogniser's accuracy on them against
# REFSET and the minimums of the file MINIMUMS.
execute_process(COMMAND "${EVALUATOR}" "${REFSET}" --dibujar "${FILTER}" --minimos "${MINIMUMS}"
    RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "accuracy below the minimums of ${MINIMUMS}")
endif()
