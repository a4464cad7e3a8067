# The fuzz targets and the libraries each links; shared by the libFuzzer
# build and the replay tests of the regular builds.
set(TARNOVEL_FUZZ_TARGETS delimited handoff job result_file censored)
set(TARNOVEL_FUZZ_LIBRARIES_delimited tarnovel_tables tarnovel_shell)
set(TARNOVEL_FUZZ_LIBRARIES_handoff tarnovel_tables)
set(TARNOVEL_FUZZ_LIBRARIES_job tarnovel_engine)
set(TARNOVEL_FUZZ_LIBRARIES_result_file tarnovel_shell)
set(TARNOVEL_FUZZ_LIBRARIES_censored tarnovel_prediction)
