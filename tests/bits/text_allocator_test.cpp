// Where job texts keep their characters: texts cut from shared slabs stay apart and intact, and a
// slab goes back once its last text is freed, on any thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <thread>
#include <utility>
#include <vector>

#include "wide_text.h"

namespace {

// A text of `length` units that says which text it is, so that an overlap with a neighbour shows.
WideText NumberedText(size_t number, size_t length) {
  WideText text(length, WCHAR(0));
  for (size_t i = 0; i < length; ++i) text[i] = static_cast<WCHAR>(0x4E00 + (number * 31 + i) % 4096);
  return text;
}

bool IsNumberedText(const WideText& text, size_t number, size_t length) {
  return text == NumberedText(number, length);
}

// About a slab's worth of 100-unit texts, many times over.
std::vector<WideText> ManyTexts(size_t count) {
  std::vector<WideText> texts;
  texts.reserve(count);
  for (size_t i = 0; i < count; ++i) texts.push_back(NumberedText(i, 100));
  return texts;
}

TEST(TextAllocatorTest, TextsOfEveryLengthStayIntactWhateverIsFreedAroundThem) {
  // Lengths on both sides of the longest text cut from a slab, which comes from the heap instead.
  const size_t longestSlabUnits = kLongestSlabText / sizeof(WCHAR);
  std::vector<size_t> lengths;
  for (size_t length = 0; length < 40; ++length) lengths.push_back(length);
  for (size_t length = longestSlabUnits - 3; length < longestSlabUnits + 3; ++length) {
    lengths.push_back(length);
  }
  std::vector<std::pair<size_t, WideText>> texts;
  for (size_t round = 0; round < 60; ++round) {
    for (size_t length : lengths) texts.emplace_back(length, NumberedText(texts.size(), length));
  }
  std::vector<size_t> numbers(texts.size());
  for (size_t i = 0; i < numbers.size(); ++i) numbers[i] = i;

  std::mt19937 random(7);
  std::shuffle(numbers.begin(), numbers.end(), random);
  for (size_t i = 0; i < numbers.size() / 2; ++i) texts[numbers[i]].second = WideText();
  // New texts take the place of half the freed ones, and every text left must still be itself.
  for (size_t i = 0; i < numbers.size() / 4; ++i) {
    const size_t number = numbers[i];
    texts[number].second = NumberedText(number, texts[number].first);
  }
  for (size_t i = numbers.size() / 2; i < numbers.size(); ++i) {
    const size_t number = numbers[i];
    EXPECT_TRUE(IsNumberedText(texts[number].second, number, texts[number].first)) << number;
  }
  for (size_t i = 0; i < numbers.size() / 4; ++i) {
    const size_t number = numbers[i];
    EXPECT_TRUE(IsNumberedText(texts[number].second, number, texts[number].first)) << number;
  }
}

TEST(TextAllocatorTest, SlabsGoBackOnceTheirLastTextIsFreed) {
  const size_t before = LiveTextSlabs();
  {
    std::vector<WideText> texts = ManyTexts(3000);  // about 210 bytes each: ten slabs or so
    ASSERT_GE(LiveTextSlabs(), before + 8);

    // One text kept from the start holds its own slab and no other.
    const WideText kept = std::move(texts.front());
    texts = std::vector<WideText>();
    EXPECT_LE(LiveTextSlabs(), before + 2);
    EXPECT_TRUE(IsNumberedText(kept, 0, 100));
  }
  EXPECT_LE(LiveTextSlabs(), before + 1);  // the slab this thread cuts from stays
}

TEST(TextAllocatorTest, LongTextsTakeNoSlab) {
  const size_t longUnits = kLongestSlabText / sizeof(WCHAR) + 1;
  WideText first = NumberedText(0, 10);  // the slab this thread cuts from exists now
  const size_t before = LiveTextSlabs();
  std::vector<WideText> texts;
  for (size_t i = 0; i < 500; ++i) texts.push_back(NumberedText(i, longUnits));
  EXPECT_EQ(LiveTextSlabs(), before);
  EXPECT_TRUE(IsNumberedText(texts.back(), 499, longUnits));
}

TEST(TextAllocatorTest, TextsFreedOnAnotherThreadThanTheirsGiveBackTheirSlabs) {
  const WideText first = NumberedText(0, 10);  // the slab this thread cuts from exists now
  const size_t before = LiveTextSlabs();

  // Made on a thread that ends before they are freed here.
  std::vector<WideText> fromThread;
  std::thread maker([&fromThread] { fromThread = ManyTexts(3000); });
  maker.join();
  ASSERT_GE(LiveTextSlabs(), before + 8);
  for (size_t i = 0; i < fromThread.size(); i += 997) {
    EXPECT_TRUE(IsNumberedText(fromThread[i], i, 100)) << i;
  }
  fromThread = std::vector<WideText>();
  EXPECT_LE(LiveTextSlabs(), before + 1);

  // Made here and freed on a thread of their own.
  std::vector<WideText> toThread = ManyTexts(3000);
  ASSERT_GE(LiveTextSlabs(), before + 8);
  std::thread dropper([texts = std::move(toThread)]() mutable { texts = std::vector<WideText>(); });
  dropper.join();
  EXPECT_LE(LiveTextSlabs(), before + 1);
}

TEST(TextAllocatorTest, CopiesAndMovesKeepTheirCharacters) {
  std::vector<WideText> texts = ManyTexts(400);
  std::vector<WideText> copies = texts;
  std::vector<WideText> moved = std::move(texts);
  texts = std::vector<WideText>();
  for (size_t i = 0; i < copies.size(); ++i) {
    ASSERT_TRUE(IsNumberedText(copies[i], i, 100)) << i;
    ASSERT_TRUE(IsNumberedText(moved[i], i, 100)) << i;
    EXPECT_NE(copies[i].data(), moved[i].data());
  }
  copies[3] += copies[4];
  EXPECT_EQ(copies[3].size(), 200u);
  EXPECT_EQ(copies[3].substr(100), moved[4]);
}

}  // namespace
