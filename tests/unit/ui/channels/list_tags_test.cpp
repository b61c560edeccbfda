#include "ui/channels/list_tags.h"

#include <gtest/gtest.h>

#include "playback/playlist_tags.h"

namespace strevo {
namespace {

ShedTask Task(std::string name, int channelIndex, bool command = false) {
  ShedTask t = NewShedTask(0);
  t.TaskName = std::move(name);
  t.ChannelIndex = channelIndex;
  if (command) {
    t.KindRecord = 0;
    t.KindCommand = 1;
  }
  return t;
}

TEST(ListTagsWarning, TasksWhoseChannelNumberNowNamesAnotherChannel) {
  const char bytes[] =
      "#EXTM3U\n#EXTINF:-1,One\nudp://one\n#EXTINF:-1,Two\n#EXTVLCOPT:network-caching=1\nudp://two\n"
      "#EXTINF:-1,Three\nudp://three\n";
  const ChannelList plain = ParsePlaylist(bytes, "-", nullptr);
  const ChannelList tagged = ParseTaggedPlaylist(bytes, "-", nullptr);
  const std::vector<ShedTask> tasks = {Task("Morning news", 0), Task("Film", 1), Task("Late", 3),
                                       Task("Update guide", 2, true), Task("Nothing chosen", -1)};
  const std::vector<std::string> lines = TasksOnMovedChannels(tasks, plain, tagged);
  EXPECT_EQ(lines, (std::vector<std::string>{"Film: 2. \"Two\" -> \"Two\"", "Late: 4. \"udp://three\" -> -"}));
  EXPECT_EQ(MovedTasksWarning("Heading:", lines),
            "Heading:\r\nFilm: 2. \"Two\" -> \"Two\"\r\nLate: 4. \"udp://three\" -> -");
  EXPECT_EQ(MovedTasksWarning("Heading:", {}), "");
  EXPECT_TRUE(TasksOnMovedChannels(tasks, tagged, tagged).empty());
}

}  // namespace
}  // namespace strevo
