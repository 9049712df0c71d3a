// The device menu on virtual cameras. Of nine cameras the ninth entry is inert and nothing
// opens at start-up; the eighth acts, and choosing it again changes nothing; a failed open
// keeps the check mark, the window and the last frame size, and choosing the entry again
// retries; an open refits and recentres the window.
#include "WindowSupport.h"

using namespace e2e;

namespace {

class DeviceHotplug : public WindowTest {};

TEST_F(DeviceHotplug, NineCamerasChoicesAFailedOpenAndItsRetry) {
    VirtualCameraProvider::addNumberedCameras(9);
    dlg.Create();
    QList<UINT> ids;
    for (UINT id = 40056; id <= 40064; ++id) ids << id;
    EXPECT_EQ(MenuIds(GetSubMenu(dlg.MenuBar(), 1)), ids);
    EXPECT_EQ(dlg.SelectedDevice, -1);
    Item(40064)->trigger();
    EXPECT_EQ(dlg.SelectedDevice, -1);
    EXPECT_FALSE(Engine().m_pGraph);
    EXPECT_FALSE(Checked(40064));

    ASSERT_TRUE(Choose(40063));
    EXPECT_EQ(dlg.SelectedDevice, 7);
    ASSERT_TRUE(Open());
    IGraphBuilder* graph = Engine().m_pGraph.get();
    const QRect moved(3, 4, 500, 400);
    dlg.setGeometry(moved);
    ASSERT_TRUE(Choose(40063));
    EXPECT_EQ(Engine().m_pGraph.get(), graph);
    EXPECT_EQ(dlg.geometry(), moved);
    EXPECT_TRUE(Checked(40063));

    BreakSampleGrabbers();
    Choose(40056);
    RestoreClasses();
    EXPECT_EQ(session.messages, QStringList{LoadStringForLanguage(160, 0)});
    EXPECT_EQ(dlg.SelectedDevice, -1);
    EXPECT_TRUE(Checked(40056));
    EXPECT_FALSE(Checked(40063));
    EXPECT_FALSE(Engine().m_pGrabberFilter);  // the build stopped at the grabber
    EXPECT_EQ(dlg.VideoWidth, 640);
    EXPECT_EQ(dlg.geometry(), moved);

    ASSERT_TRUE(Choose(40056));
    EXPECT_EQ(dlg.SelectedDevice, 0);
    EXPECT_TRUE(Open());
    EXPECT_EQ(dlg.frameGeometry().size(), QSize(653, 538));
    EXPECT_TRUE(Centred());
    EXPECT_EQ(session.messages.size(), 1);
}

}  // namespace
