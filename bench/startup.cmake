# The start-up benchmark: process start to the first painted frame, offscreen.
if(TARGET lumi_app)
  add_executable(bench_startup startup_bench.cpp)
  target_link_libraries(bench_startup PRIVATE lumi_app)
endif()
# The soak benchmark: resident memory over a long 1080p preview with pictures and recordings.
if(TARGET lumi_app)
  add_executable(bench_soak soak_bench.cpp)
  target_link_libraries(bench_soak PRIVATE bench_window_support lumi_app)
endif()
