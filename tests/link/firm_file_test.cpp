#include "link/firm_file.h"

#include <gtest/gtest.h>

#include <string>

#include "link/crc16.h"
#include "support/firmware_images.h"

namespace tarvik {
namespace {

using namespace testing;

TEST(Crc16Test, CheckValues) {
  const std::string digits = "123456789", abc = "abc";
  EXPECT_EQ(Crc16(reinterpret_cast<const uint8_t*>(digits.data()), digits.size()), 0xD64E);
  EXPECT_EQ(Crc16(reinterpret_cast<const uint8_t*>(abc.data()), abc.size()), 0xAEB5);
  EXPECT_EQ(Crc16(nullptr, 0), 0x0000);
}

TEST(FirmFileTest, PackageKeepsPayloadCrcAndVersion) {
  const Image payload = Payload(10000);
  const Image file = Package(payload, 0x02100304);
  CFirmFile firm;
  ASSERT_EQ(firm.LoadFirmwareImage(file.data(), file.size()), CFirmFile::LoadResult::Loaded);
  EXPECT_EQ(firm.GetType(), CFirmFile::kPackage);
  uint32_t size = 0;
  uint16_t crc = 0;
  const uint8_t* kept = firm.GetImage(&size, &crc);
  ASSERT_EQ(size, 10000u);
  EXPECT_EQ(Image(kept, kept + size), payload);
  EXPECT_EQ(crc, Crc16(payload.data(), payload.size()));
  uint32_t version;
  std::memcpy(&version, firm.ImageVersion(), 4);
  EXPECT_EQ(version, 0x02100304u);
}

TEST(FirmFileTest, MalformedPackagesAreRefusedAndKeepThePreviousCopy) {
  CFirmFile firm;
  const Image good = Package(Payload(100));
  ASSERT_EQ(firm.LoadFirmwareImage(good.data(), good.size()), CFirmFile::LoadResult::Loaded);

  Image longer = good;
  longer.push_back(0);
  Image tooBig = Package({1});
  PutLe32(tooBig, 20, 0x100001);
  tooBig.resize(24 + 0x100001);
  Image badMagic = good;
  badMagic[17] = '1';
  Image empty = Package({});
  for (const Image* bad : {&longer, &tooBig, &badMagic, &empty}) {
    EXPECT_EQ(firm.LoadFirmwareImage(bad->data(), bad->size()),
              CFirmFile::LoadResult::NotRecognised);
  }
  // Shorter than the header: refused without reading past the end (ASan watches).
  for (std::size_t size = 0; size < 24; ++size) {
    Image cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size));
    EXPECT_EQ(firm.LoadFirmwareImage(cut.data(), cut.size()), CFirmFile::LoadResult::NotRecognised);
  }
  uint32_t size = 0;
  firm.GetImage(&size);
  EXPECT_EQ(size, 100u);
  EXPECT_EQ(firm.GetType(), CFirmFile::kPackage);
}

TEST(FirmFileTest, SectionLayoutsAreRecognisedInOrderWithTheirVersions) {
  struct Case {
    Image image;
    int type;
    std::string version;
  };
  const Case cases[] = {{Type0(), 0, "v0.9"},
                        {Type0(0x400, 3), 0, "v0.9"},
                        {Agpf(2), 4, "27"},
                        {Agpf(3), 5, "27"},
                        {Trailing("UAMC"), 1, "1.23"},
                        {Trailing("FWUP"), 2, "1.23"},
                        {Trailing("FQI "), 3, "1.23"},
                        {Sealed("UAMC"), 1, "1.23"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    CFirmFile firm;
    ASSERT_EQ(firm.LoadSectionImage(c.image.data(), c.image.size()), CFirmFile::LoadResult::Loaded);
    EXPECT_EQ(firm.GetType(), c.type);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(firm.ImageVersion())), c.version);
    uint32_t size = 0;
    uint16_t crc = 0;
    firm.GetImage(&size, &crc);
    EXPECT_EQ(crc, Crc16(c.image.data(), c.image.size()));
  }
}

TEST(FirmFileTest, SectionImagesThatFitNoRowAreRefused) {
  Image farStart = Type0(0x400, 4);  // start word five bytes after the marker's end
  Image noMon = Type0();
  noMon[0x24 + 0x48] = 'X';
  Image cutType0 = Type0();
  cutType0.resize(0x24 + 0x50);  // the '2' at Q + 0x50 would lie outside
  Image tooLarge = Trailing("FWUP", 0x80001);
  Image agpfOther = Agpf(4);
  for (Image* image : {&farStart, &noMon, &cutType0, &tooLarge, &agpfOther}) {
    CFirmFile firm;
    EXPECT_EQ(firm.LoadSectionImage(image->data(), image->size()),
              CFirmFile::LoadResult::NotRecognised);
  }
  // Every prefix of a valid image is either recognised or refused, never read past.
  const Image full = Type0(0x80);
  for (std::size_t size = 0; size <= full.size(); ++size) {
    CFirmFile firm;
    firm.LoadSectionImage(full.data(), size);
  }
  // "UAMC" allows 5 MiB where "FWUP" allows 512 KiB.
  CFirmFile firm;
  Image big = Trailing("UAMC", 0x80001);
  EXPECT_EQ(firm.LoadSectionImage(big.data(), big.size()), CFirmFile::LoadResult::Loaded);
}

TEST(FirmFileTest, SealChecksRunOnACopy) {
  Image wrongWord = Sealed("FQI ");
  PutLe32(wrongWord, 0x100, 3);
  Image broken = Sealed("FWUP");
  broken[0x300] ^= 1;
  Image tiny = Trailing("UAMC", 0x21F);
  tiny[0x21F - 32] = 1;  // sealed, yet too short for its key and region
  struct Case {
    Image* image;
    CFirmFile::LoadResult result;
  };
  for (const Case& c : {Case{&wrongWord, CFirmFile::LoadResult::NotRecognised},
                        Case{&broken, CFirmFile::LoadResult::SealBroken},
                        Case{&tiny, CFirmFile::LoadResult::NotRecognised}}) {
    const Image before = *c.image;
    CFirmFile firm;
    EXPECT_EQ(firm.LoadSectionImage(c.image->data(), c.image->size()), c.result);
    EXPECT_EQ(*c.image, before);
  }
  const Image sealed = Sealed("UAMC");
  CFirmFile firm;
  ASSERT_EQ(firm.LoadSectionImage(sealed.data(), sealed.size()), CFirmFile::LoadResult::Loaded);
  uint32_t size = 0;
  const uint8_t* kept = firm.GetImage(&size);
  EXPECT_EQ(Image(kept, kept + size), sealed);  // kept masked, as given
}

}  // namespace
}  // namespace tarvik
