#include "scheduler/shed_macros.h"

#include <gtest/gtest.h>

namespace strevo {
namespace {

MacroValues Sample() {
  MacroValues v;
  v.tempFolder = "C:\\Temp\\";
  v.now = EncodeDateTime(DateTimeParts{2026, 12, 8, 21, 5, 9, 0});
  v.durationMinutes = 210;
  v.channelName = "Первый канал";
  v.channelMrl = "udp://@239.1.1.1:1234";
  v.iface = "192.168.0.10";
  v.capdir = "D:\\Rec\\";
  v.fileSuffix = "Кино";
  v.self = "C:\\TV\\Strevo.exe";
  return v;
}

TEST(ShedMacros, EveryVariableAtEveryOccurrence) {
  const MacroValues v = Sample();
  EXPECT_EQ(ExpandMacros("%temp%|%date%|%time%|%dur%|%name%|%mrl%|%capdir%|%subfn%|%ip%|%self%|%dur%", v),
            "C:\\Temp\\|20261208|210509|210|Первый канал|udp://@239.1.1.1:1234|D:\\Rec\\|Кино|192.168.0.10|"
            "C:\\TV\\Strevo.exe|210");
  // Case matters; unknown variables stay.
  EXPECT_EQ(ExpandMacros("%DUR% %Name% %x%", v), "%DUR% %Name% %x%");
  EXPECT_EQ(ExpandMacros("", v), "");

  // The recorder preset of the scheduler window.
  EXPECT_EQ(ExpandMacros("\"%self%\" /bgrec \"%mrl%\" ps \"%capdir%%subfn% - %name%-%date%-%time%.mpg\" %dur% "
                         "\"%name%\" \"%ip%\"",
                         v),
            "\"C:\\TV\\Strevo.exe\" /bgrec \"udp://@239.1.1.1:1234\" ps \"D:\\Rec\\Кино - Первый "
            "канал-20261208-210509.mpg\" 210 \"Первый канал\" \"192.168.0.10\"");
}

TEST(ShedMacros, RelayAndTunerForms) {
  MacroValues v = Sample();
  v.iface = "192.168.0.10:8080";
  EXPECT_EQ(ExpandMacros("%mrl% %ip%", v), "http://192.168.0.10:8080/udp/239.1.1.1:1234 0.0.0.0");
  v.iface = "Auto";
  EXPECT_EQ(ExpandMacros("%mrl% %ip%", v), "udp://@239.1.1.1:1234 Auto");
  v.channelMrl = "dshow:// :dshow-vdev=Tuner";
  EXPECT_EQ(ExpandMacros("%mrl%", v), "dshow://");
}

TEST(ShedMacros, ValuesCannotMakeTheExpansionRunOn) {
  MacroValues v = Sample();
  v.channelName = "a%name%b";
  v.capdir = "%capdir%\\";
  EXPECT_EQ(ExpandMacros("%name%,%name%", v), "a%name%b,a%name%b");
  EXPECT_EQ(ExpandMacros("%capdir%", v), "%capdir%\\");
  // A value that forms its variable again with the text around it.
  v.durationMinutes = 5;
  v.channelName = "%na";
  EXPECT_EQ(ExpandMacros("%name%me%", v), "%na");
  // A later variable brought in by an earlier value is replaced; an earlier one is not.
  v.channelName = "%dur%-%ip%";
  EXPECT_EQ(ExpandMacros("%name%", v), "%dur%-192.168.0.10");
}

// Titles and addresses come from a downloaded list.
TEST(ShedMacros, ChannelValuesCannotBreakTheCommandLineOrLeaveTheFolder) {
  MacroValues v = Sample();
  const std::string preset =
      "\"%self%\" /bgrec \"%mrl%\" ps \"%capdir%%subfn% - %name%-%date%-%time%.mpg\" %dur% \"%name%\" \"%ip%\"";
  v.channelName = "Say \"hi\"\r\n\t";
  v.channelMrl = "udp://@239.1.1.1:1234\" \"evil";
  EXPECT_EQ(ExpandMacros(preset, v),
            "\"C:\\TV\\Strevo.exe\" /bgrec \"udp://@239.1.1.1:1234 evil\" ps \"D:\\Rec\\Кино - Say "
            "hi-20261208-210509.mpg\" 210 \"Say hi\" \"192.168.0.10\"");
  v.channelName = "..\\..\\Users\\Public\\x";
  EXPECT_EQ(ExpandMacros("%capdir%%name%.ts", v), "D:\\Rec\\.._.._Users_Public_x.ts");
  v.channelName = "a|b>c<d?e*f:g/h";
  EXPECT_EQ(ExpandMacros("%name%", v), "a_b_c_d_e_f_g_h");
  v.channelName = "..";
  EXPECT_EQ(ExpandMacros("%capdir%%name%\\x", v), "D:\\Rec\\__\\x");
}

TEST(ShedMacros, PlayerCommandsAreExactTexts) {
  EXPECT_EQ(ClassifyShedCommand("$updatetvg"), ShedCommand::UpdateGuide);
  EXPECT_EQ(ClassifyShedCommand("$updatem3u"), ShedCommand::UpdateChannels);
  EXPECT_EQ(ClassifyShedCommand("$sleep"), ShedCommand::Sleep);
  EXPECT_EQ(ClassifyShedCommand("$close"), ShedCommand::Close);
  EXPECT_EQ(ClassifyShedCommand("$Close"), ShedCommand::Nothing);
  EXPECT_EQ(ClassifyShedCommand("$close "), ShedCommand::Nothing);
  EXPECT_EQ(ClassifyShedCommand("$"), ShedCommand::Nothing);
  EXPECT_EQ(ClassifyShedCommand(" $close"), ShedCommand::RunProcess);
  EXPECT_EQ(ClassifyShedCommand("shutdown.exe -s -t 00"), ShedCommand::RunProcess);
  EXPECT_EQ(ClassifyShedCommand(""), ShedCommand::RunProcess);
}

}  // namespace
}  // namespace strevo
