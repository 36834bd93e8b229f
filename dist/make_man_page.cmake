# Turns one scdoc page into roff, with the project's version filled in, and writes a
# gzip -9n copy beside it (no name or time stamp inside, so the package is reproducible).
# Arguments: -DSCDOC=... -DGZIP=... -DSOURCE=page.1.scd -DROFF=out/page.1 -DVERSION=x.y
file(READ ${SOURCE} text)
string(REPLACE "@VERSION@" "${VERSION}" text "${text}")
file(WRITE ${ROFF}.scd "${text}")
execute_process(COMMAND ${SCDOC} INPUT_FILE ${ROFF}.scd OUTPUT_FILE ${ROFF} ERROR_VARIABLE error
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "scdoc refused ${SOURCE}: ${error}")
endif()
execute_process(COMMAND ${GZIP} -9nc ${ROFF} OUTPUT_FILE ${ROFF}.gz RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "gzip failed for ${ROFF}")
endif()
