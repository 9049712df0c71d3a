# Still pictures: SaveSnapshot and the picture object with its writers.
target_sources(lumi_frames PRIVATE CImage.cpp SaveSnapshot.cpp)
target_link_libraries(lumi_frames PUBLIC Qt6::Gui)
