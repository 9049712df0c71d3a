# The preview benchmark: for each camera format of the matrix, the program's window
# (offscreen) against gst-launch-1.0 on the same virtual camera. gst-launch-1.0 finds the
# camera in the plugin module below (build/bench-plugins).
if(TARGET lumi_app)
  add_library(gstlumivirtualcam MODULE VirtualCameraPlugin.cpp)
  target_link_libraries(gstlumivirtualcam PRIVATE lumi_media)
  set_target_properties(gstlumivirtualcam PROPERTIES LIBRARY_OUTPUT_DIRECTORY
                                                     ${CMAKE_BINARY_DIR}/bench-plugins)
  add_executable(bench_preview preview_bench.cpp)
  target_link_libraries(bench_preview PRIVATE bench_window_support lumi_app)
  add_dependencies(bench_preview gstlumivirtualcam)
  target_compile_definitions(bench_preview
                             PRIVATE BENCH_PLUGIN_DIR="${CMAKE_BINARY_DIR}/bench-plugins")
endif()
