#include "net/multicast_tester.h"

#include <gtest/gtest.h>

#include <deque>

namespace strevo {
namespace {

TEST(MulticastTester, TargetsAreMulticastAddressesWithTheirWholePort) {
  auto t = MulticastTargetOf("udp://@239.0.0.1:1234");
  ASSERT_TRUE(t);
  EXPECT_EQ(t->group, "239.0.0.1");
  EXPECT_EQ(t->port, 1234);
  // A five-digit port is a port of its own, not its first four digits.
  t = MulticastTargetOf("udp://@239.1.2.3:12345");
  ASSERT_TRUE(t);
  EXPECT_EQ(t->port, 12345);
  // Only the digits count; a number no port can be names none.
  EXPECT_EQ(MulticastTargetOf("udp://@239.1.2.3:5000/extra")->port, 5000);
  EXPECT_EQ(MulticastTargetOf("udp://@239.1.2.3:99999")->port, 0);
  EXPECT_EQ(MulticastTargetOf("udp://@239.1.2.3")->group, "239.1.2.3");
  EXPECT_EQ(MulticastTargetOf("udp://@239.1.2.3")->port, 0);

  EXPECT_FALSE(MulticastTargetOf("http://127.0.0.1/udp/239.0.0.1:1234"));
  EXPECT_FALSE(MulticastTargetOf("udp://239.0.0.1:1234"));  // no "@": not a multicast channel here
  EXPECT_FALSE(MulticastTargetOf("C:\\video\\film.mpg"));
}

TEST(MulticastTester, ListensOnTheChosenInterfaceAndNeverThroughAProxy) {
  EXPECT_EQ(ListeningAddress("Auto", "Auto"), "0.0.0.0");
  EXPECT_EQ(ListeningAddress("", "Auto"), "0.0.0.0");
  EXPECT_EQ(ListeningAddress("127.0.0.1", "Auto"), "127.0.0.1");
  EXPECT_EQ(ListeningAddress("192.168.1.20", "Auto"), "192.168.1.20");
  EXPECT_FALSE(ListeningAddress("192.168.1.1:4022", "Auto"));
  EXPECT_FALSE(ListeningAddress("proxy:81", "Auto"));
}

// A socket fed by a sender on a clock of microseconds: datagrams arrive every
// `periodUs` (never when 0); taking one costs 50 us, a sleep its full time.
// The waiting-bytes query fails from `failAtMs` after the start on. Every
// `foreignEvery`th datagram (none when 0; all when 1) is another group's on the same port.
class SenderOnClock : public ListenProbe {
 public:
  explicit SenderOnClock(long long periodUs, long long failAtMs = -1, int foreignEvery = 0)
      : period_(periodUs), failAt_(failAtMs), foreignEvery_(foreignEvery) {}
  long long NowMs() override { return now_ / 1000; }
  int BytesWaiting() override {
    if (failAt_ >= 0 && (now_ - kStart) / 1000 >= failAt_) return -1;
    Arrive();
    return queue_.empty() ? 0 : queue_.front();
  }
  int ReceiveOne() override {
    Arrive();
    now_ += 50;
    if (queue_.empty()) return 0;
    const int size = queue_.front();
    queue_.pop_front();
    return foreignEvery_ > 0 && ++taken_ % foreignEvery_ == 0 ? kForeignDatagram : size;
  }
  void SleepMs(int ms) override { now_ += ms * 1000LL; }

 private:
  void Arrive() {
    if (period_ <= 0) return;
    while (next_ <= now_) {
      queue_.push_back(1316);
      next_ += period_;
    }
  }
  long long period_;
  long long failAt_;
  int foreignEvery_;
  int taken_ = 0;
  static constexpr long long kStart = 1'000'000'000;
  long long now_ = kStart;
  long long next_ = kStart;
  std::deque<int> queue_;
};

TEST(MulticastTester, SteadyStreamsPassAndSilentOrSparseOnesAreMarked) {
  SenderOnClock steady(1000);  // a datagram a millisecond, about 10 Mbit/s
  const ListenCount s = ListenForData(steady);
  EXPECT_FALSE(s.failed);
  EXPECT_GT(DataShare(s), 80);
  EXPECT_FALSE(FailsTest(s));

  SenderOnClock silent(0);
  const ListenCount q = ListenForData(silent);
  EXPECT_EQ(q.position, 0);
  // 2 s of 10 ms sleeps, and the bar's starting step.
  EXPECT_EQ(q.maximum, 201);
  EXPECT_EQ(DataShare(q), 0);
  EXPECT_TRUE(FailsTest(q));

  SenderOnClock sparse(100'000);  // one every 100 ms: most rounds sleep
  const ListenCount p = ListenForData(sparse);
  EXPECT_EQ(p.position, 20);
  EXPECT_LT(DataShare(p), 50);
  EXPECT_TRUE(FailsTest(p));

  // Another group on the same port proves nothing about this one's.
  SenderOnClock foreign(1000, -1, 1);
  const ListenCount f = ListenForData(foreign);
  EXPECT_EQ(f.position, 0);
  EXPECT_GT(f.foreign, 1000);
  EXPECT_TRUE(FailsTest(f));
  // Nor does it spoil a steady group of its own.
  SenderOnClock mixed(500, -1, 2);
  const ListenCount m = ListenForData(mixed);
  EXPECT_GT(m.foreign, 1000);
  EXPECT_GT(DataShare(m), 80);
}

TEST(MulticastTester, AFailingQueryEndsTheListeningAndTheProgressFollowsEveryRound) {
  SenderOnClock broken(1000, 300);
  int rounds = 0, lastMax = 0;
  const ListenCount b = ListenForData(broken, [&](const ListenCount& c) {
    ++rounds;
    EXPECT_GT(c.maximum, lastMax);
    lastMax = c.maximum;
  });
  EXPECT_TRUE(b.failed);
  EXPECT_EQ(rounds + 1, b.maximum);
  EXPECT_GT(b.position, 0);
}

TEST(MulticastTester, ShareIsRoundedAndHalfPasses) {
  EXPECT_EQ(DataShare({false, 1, 2}), 50);
  EXPECT_FALSE(FailsTest({false, 1, 2}));
  EXPECT_EQ(DataShare({false, 99, 200}), 50);  // 49.5 rounds up
  EXPECT_FALSE(FailsTest({false, 99, 200}));
  EXPECT_EQ(DataShare({false, 98, 200}), 49);
  EXPECT_TRUE(FailsTest({false, 98, 200}));
  EXPECT_EQ(DataShare({false, 0, 0}), 0);
}

TEST(MulticastTester, MarksReplaceTheOldOneAndTouchNothingElse) {
  EXPECT_EQ(MarkedListText("Первый", true), "$Первый");
  EXPECT_EQ(MarkedListText("$Первый", true), "$Первый");
  EXPECT_EQ(MarkedListText("$Первый", false), "Первый");
  EXPECT_EQ(MarkedListText("Первый", false), "Первый");
  // Only one leading mark is the tester's; a title's own "$" stays.
  EXPECT_EQ(MarkedListText("$$5 Channel", false), "$5 Channel");
  EXPECT_EQ(MarkedListText("", true), "$");
}

}  // namespace
}  // namespace strevo
