# The recovery benchmark: SIGTERM to exit while recording 1080p, and the repair of an
# interrupted recording of 1 GiB.
if(TARGET bench_window_support)
  add_executable(bench_recovery recovery_bench.cpp)
  target_link_libraries(bench_recovery PRIVATE bench_window_support lumi_app)
endif()
