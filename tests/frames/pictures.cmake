# Tests of the picture writer: SaveSnapshot, CImage and the writers by extension.
if(TARGET lumi_frames)
  lumi_add_test(pictures_tests
    SOURCES pictures_test_main.cpp test_cimage.cpp test_save_snapshot.cpp
    LIBS lumi_frames
    LABELS frames pictures)
endif()
