# The preview benchmark: frames shown per second and CPU per frame of the program's window
# (offscreen) on a 1920 x 1080 MJPG virtual camera at 30 frames per second.
if(TARGET lumi_app)
  add_executable(bench_preview preview_bench.cpp)
  target_link_libraries(bench_preview PRIVATE bench_window_support lumi_app)
endif()
