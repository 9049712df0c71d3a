# The recording benchmark: pictures and AVI recording at MJPG 1920 x 1080, 30 frames per
# second, through the capture engine and the frame sink.
if(TARGET lumi_capture)
  add_executable(bench_recording recording_bench.cpp)
  target_link_libraries(bench_recording PRIVATE bench_support lumi_capture)
endif()
