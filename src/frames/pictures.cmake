# Still pictures: SaveSnapshot, its writing thread and the picture object with its writers.
target_sources(lumi_frames PRIVATE CImage.cpp PictureWriter.cpp SaveSnapshot.cpp)
target_link_libraries(lumi_frames PUBLIC Qt6::Gui)
