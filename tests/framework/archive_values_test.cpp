// Primitive values, counted strings and the buffer of the archive.
#include <gtest/gtest.h>

#include <string>

#include "tests/framework/archive_test_support.h"

namespace {

using namespace archive_test;

// ---- Primitives -------------------------------------------------------------

TEST(ArchivePrimitives, EachWidthIsWrittenLittleEndianWithoutPadding)
{
    const Bytes bytes = Store([](CArchive& ar) {
        ar << BYTE{0xAB} << WORD{0xBEEF} << SHORT{-2} << DWORD{0xDEADBEEF} << LONG{-123456};
    });
    const Bytes expected = {0xAB, 0xEF, 0xBE, 0xFE, 0xFF, 0xEF, 0xBE, 0xAD, 0xDE, 0xC0, 0x1D, 0xFE, 0xFF};
    EXPECT_EQ(bytes, expected);

    Load(bytes, [](CArchive& ar) {
        BYTE b = 0;
        WORD w = 0;
        SHORT s = 0;
        DWORD d = 0;
        LONG l = 0;
        ar >> b >> w >> s >> d >> l;
        EXPECT_EQ(b, 0xAB);
        EXPECT_EQ(w, 0xBEEF);
        EXPECT_EQ(s, -2);
        EXPECT_EQ(d, 0xDEADBEEFu);
        EXPECT_EQ(l, -123456);
        EXPECT_EQ(ar.GetStreamPosition(), 13u);
    });
}

TEST(ArchivePrimitives, SignedValuesAreSignExtendedAndUnsignedOnesKeepTheirTopBit)
{
    Load({0xFE, 0xFF, 0xFE, 0xFF, 0x00, 0x80, 0xFF, 0x7F, 0x00, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00, 0x80}, [](CArchive& ar) {
        WORD unsignedWord = 0;
        SHORT signedWord = 0;
        SHORT lowest = 0;
        SHORT highest = 0;
        DWORD unsignedDword = 0;
        LONG signedDword = 0;
        ar >> unsignedWord >> signedWord >> lowest >> highest >> unsignedDword >> signedDword;
        const LONG widenedUnsigned = unsignedWord;
        const LONG widenedSigned = signedWord;
        EXPECT_EQ(widenedUnsigned, 65534);
        EXPECT_EQ(widenedSigned, -2);
        EXPECT_EQ(lowest, -32768);
        EXPECT_EQ(highest, 32767);
        EXPECT_EQ(unsignedDword, 0x80000000u);
        EXPECT_EQ(signedDword, INT32_MIN);
    });
}

TEST(ArchivePrimitives, ValueCutShortFailsAsEndOfDataAtTheValuesOffset)
{
    // Two bytes of a WORD, then one byte where a DWORD should start.
    const CArchiveException inDword = LoadFailure({0x01, 0x02, 0x03, 0x04, 0x05}, [](CArchive& ar) {
        WORD w = 0;
        DWORD d = 0;
        ar >> w >> d;
    });
    EXPECT_EQ(inDword.m_cause, CArchiveException::endOfFile);
    EXPECT_EQ(inDword.m_streamOffset, 2u);

    const CArchiveException inWord = LoadFailure({0x01, 0x02, 0x03}, [](CArchive& ar) {
        BYTE b = 0;
        WORD w = 0;
        ar >> b >> b >> w;
    });
    EXPECT_EQ(inWord.m_cause, CArchiveException::endOfFile);
    EXPECT_EQ(inWord.m_streamOffset, 2u);

    const CArchiveException empty = LoadFailure({}, [](CArchive& ar) {
        BYTE b = 0;
        ar >> b;
    });
    EXPECT_EQ(empty.m_cause, CArchiveException::endOfFile);
    EXPECT_EQ(empty.m_streamOffset, 0u);
}

TEST(ArchivePrimitives, UsingAnArchiveInTheWrongDirectionFails)
{
    CMemFile file;
    CArchive storing(&file, CArchive::store);
    BYTE b = 0;
    try {
        storing >> b;
        FAIL() << "reading a storing archive succeeded";
    } catch (const CArchiveException& failure) {
        EXPECT_EQ(failure.m_cause, CArchiveException::writeOnly);
    }

    CMemFile source(Bytes{1, 2, 3});
    CArchive loading(&source, CArchive::load);
    try {
        loading << BYTE{1};
        FAIL() << "writing a loading archive succeeded";
    } catch (const CArchiveException& failure) {
        EXPECT_EQ(failure.m_cause, CArchiveException::readOnly);
    }
}

// ---- ReadBytes / WriteBytes ---------------------------------------------------

TEST(ArchiveBlocks, ReadBytesReturnsWhatIsThereAtTheEndWithoutFailing)
{
    Load({1, 2, 3, 4, 5}, [](CArchive& ar) {
        BYTE first = 0;
        ar >> first;  // brings the stream into the buffer
        BYTE block[10] = {};
        EXPECT_EQ(ar.ReadBytes(block, 10), 4u);
        EXPECT_EQ(block[0], 2);
        EXPECT_EQ(block[3], 5);
        EXPECT_EQ(ar.GetStreamPosition(), 5u);
        EXPECT_EQ(ar.ReadBytes(block, 10), 0u);
    });
}

TEST(ArchiveBlocks, ReadBytesTakesTheBufferedPartThenReadsTheRestFromTheFile)
{
    Bytes stream(1000);
    for (std::size_t i = 0; i < stream.size(); ++i)
        stream[i] = static_cast<BYTE>(i * 7);
    RecordingMemFile file(stream);
    CArchive ar(&file, CArchive::load, 128);
    BYTE first = 0;
    ar >> first;
    Bytes block(999);
    EXPECT_EQ(ar.ReadBytes(block.data(), 999), 999u);
    EXPECT_TRUE(std::equal(block.begin(), block.end(), stream.begin() + 1));
    // One buffer fill for the byte, then the 872 bytes beyond the buffer in one read.
    EXPECT_EQ(file.readRequests, (std::vector<UINT>{128, 872}));
}

TEST(ArchiveBlocks, WriteBytesLargerThanTheBufferKeepsTheOrder)
{
    Bytes block(300);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<BYTE>(i);
    const Bytes bytes = Store(
        [&](CArchive& ar) {
            ar << BYTE{0xEE};
            ar.WriteBytes(block.data(), 300);
            ar << BYTE{0xFF};
            EXPECT_EQ(ar.GetStreamPosition(), 302u);
        },
        128);
    EXPECT_EQ(bytes, Concat({{0xEE}, block, {0xFF}}));
}

// ---- Buffer -----------------------------------------------------------------

TEST(ArchiveBuffer, RequestsSmallerThanTheMinimumGetA128ByteBuffer)
{
    RecordingMemFile file(Bytes(1000, 0x11));
    CArchive ar(&file, CArchive::load, 16);
    BYTE b = 0;
    ar >> b;
    EXPECT_EQ(file.readRequests, (std::vector<UINT>{128}));
}

TEST(ArchiveBuffer, ValuesStraddlingTheBufferBoundaryAreReassembled)
{
    // 127 filler bytes put the DWORD across the end of a 128-byte buffer; the
    // later values cross the next boundaries at other alignments.
    Bytes stream(127, 0x5A);
    const Bytes tail = Store([](CArchive& ar) {
        ar << DWORD{0x11223344};
        for (int i = 0; i < 100; ++i)
            ar << WORD(i * 3) << LONG(-i);
    });
    stream.insert(stream.end(), tail.begin(), tail.end());

    RecordingMemFile file(stream);
    CArchive ar(&file, CArchive::load, 128);
    Bytes filler(127);
    ASSERT_EQ(ar.ReadBytes(filler.data(), 127), 127u);
    DWORD value = 0;
    ar >> value;
    EXPECT_EQ(value, 0x11223344u);
    for (int i = 0; i < 100; ++i) {
        WORD w = 0;
        LONG l = 0;
        ar >> w >> l;
        ASSERT_EQ(w, i * 3) << "pair " << i;
        ASSERT_EQ(l, -i) << "pair " << i;
    }
    EXPECT_EQ(ar.GetStreamPosition(), stream.size());
    EXPECT_GT(file.readRequests.size(), 3u);
    BYTE extra = 0;
    EXPECT_THROW(ar >> extra, CArchiveException);
}

TEST(ArchiveBuffer, StoringWritesThroughTheBufferAndCloseWritesOut)
{
    RecordingMemFile file;
    CArchive ar(&file, CArchive::store, 128);
    for (int i = 0; i < 40; ++i)
        ar << DWORD(i);  // 160 bytes: one full buffer goes out on the way
    EXPECT_EQ(file.writeSizes, (std::vector<UINT>{128}));
    ar.Flush();
    EXPECT_EQ(file.Bytes().size(), 160u);
    ar << BYTE{7};
    ar.Close();
    EXPECT_EQ(ar.GetFile(), nullptr);
    ASSERT_EQ(file.Bytes().size(), 161u);
    EXPECT_EQ(file.Bytes()[160], 7);
}

TEST(ArchiveBuffer, DestructionWritesOutUnlessAskedNotTo)
{
    CMemFile flushed;
    {
        CArchive ar(&flushed, CArchive::store);
        ar << DWORD{1};
    }
    EXPECT_EQ(flushed.Bytes().size(), 4u);

    CMemFile kept;
    {
        CArchive ar(&kept, CArchive::store | CArchive::bNoFlushOnDelete);
        ar << DWORD{1};
    }
    EXPECT_TRUE(kept.Bytes().empty());
}

TEST(ArchiveBuffer, AFailingFileWriteReachesTheCaller)
{
    RecordingMemFile file;
    file.failWrites = true;
    CArchive ar(&file, CArchive::store, 128);
    ar << DWORD{1};
    EXPECT_THROW(ar.Flush(), CFileException);
    EXPECT_THROW(
        {
            for (int i = 0; i < 40; ++i)
                ar << DWORD(i);
        },
        CFileException);
    ar << BYTE{1};
    try {
        ar.Close();
        FAIL() << "closing with a failing file succeeded";
    } catch (const CFileException& failure) {
        EXPECT_EQ(failure.m_cause, CFileException::diskFull);
    }
    EXPECT_EQ(ar.GetFile(), nullptr);
}

TEST(ArchiveBuffer, ClosingALoadingArchiveDetachesTheFile)
{
    CMemFile file(Bytes{1, 2, 3, 4});
    CArchive ar(&file, CArchive::load);
    WORD w = 0;
    ar >> w;
    ar.Close();
    EXPECT_EQ(ar.GetFile(), nullptr);
    try {
        ar >> w;
        FAIL() << "reading a closed archive succeeded";
    } catch (const CArchiveException& failure) {
        EXPECT_EQ(failure.m_cause, CArchiveException::genericException);
    }
}

// ---- Strings ----------------------------------------------------------------

struct PrefixCase {
    std::size_t length;
    Bytes prefix;
};

class ArchiveStringPrefix : public testing::TestWithParam<PrefixCase> {};

TEST_P(ArchiveStringPrefix, LengthChoosesThePrefixFormAndRoundTrips)
{
    const PrefixCase& c = GetParam();
    std::string text(c.length, 'x');
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char>('a' + i % 26);
    const Bytes bytes = Store([&](CArchive& ar) { ar << text; });
    ASSERT_EQ(bytes.size(), c.prefix.size() + c.length);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(c.prefix.size())), c.prefix);
    Load(bytes, [&](CArchive& ar) {
        std::string back = "previous";
        ar >> back;
        EXPECT_EQ(back, text);
        EXPECT_EQ(ar.GetStreamPosition(), bytes.size());
    });
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ArchiveStringPrefix,
    testing::Values(PrefixCase{0, {0x00}}, PrefixCase{1, {0x01}}, PrefixCase{254, {0xFE}},
                    PrefixCase{255, {0xFF, 0xFF, 0x00}}, PrefixCase{65533, {0xFF, 0xFD, 0xFF}},
                    PrefixCase{65534, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
                    PrefixCase{65535, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
                    PrefixCase{70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}}));

TEST(ArchiveStrings, LongPrefixFormsAreAcceptedForShortStrings)
{
    // A reader takes any form for any length, as long as the length is right.
    Load({0xFF, 0x02, 0x00, 'h', 'i', 0xFF, 0xFF, 0xFF, 0x01, 0x00, 0x00, 0x00, '!'}, [](CArchive& ar) {
        std::string a;
        std::string b;
        ar >> a >> b;
        EXPECT_EQ(a, "hi");
        EXPECT_EQ(b, "!");
    });
}

TEST(ArchiveStrings, WideStringIsConvertedTo8BitWithUnmappableCharactersAsQuestionMarks)
{
    Load({0xFF, 0xFE, 0xFF, 0x03, 'A', 0x00, 0xE9, 0x00, 0x42, 0x26, 0x01}, [](CArchive& ar) {
        std::string text;
        ar >> text;
        EXPECT_EQ(text, "A\xE9?");
        EXPECT_EQ(ar.GetStreamPosition(), 10u);
    });
}

TEST(ArchiveStrings, WideStringAcceptsEveryLengthFormAfterTheMarker)
{
    Bytes stream = {0xFF, 0xFE, 0xFF, 0xFF, 0x00, 0x01};  // 256 wide characters
    for (int i = 0; i < 256; ++i) {
        stream.push_back(static_cast<BYTE>('a' + i % 26));
        stream.push_back(0x00);
    }
    const Bytes thirtyTwoBit = {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0x00, 0x00, 0x00, 'z', 0x00};
    stream.insert(stream.end(), thirtyTwoBit.begin(), thirtyTwoBit.end());
    Load(stream, [](CArchive& ar) {
        std::string first;
        std::string second;
        ar >> first >> second;
        ASSERT_EQ(first.size(), 256u);
        EXPECT_EQ(first.substr(0, 3), "abc");
        EXPECT_EQ(first[255], 'a' + 255 % 26);
        EXPECT_EQ(second, "z");
    });
}

TEST(ArchiveStrings, SecondWideMarkerIsMalformed)
{
    const CArchiveException failure = LoadFailure({0xFF, 0xFE, 0xFF, 0xFF, 0xFE, 0xFF, 0x01, 'a', 0}, [](CArchive& ar) {
        std::string text;
        ar >> text;
    });
    EXPECT_EQ(failure.m_cause, CArchiveException::genericException);
    EXPECT_EQ(failure.m_streamOffset, 0u);
}

TEST(ArchiveStrings, StringCutShortFailsAsEndOfDataAtTheStringsStart)
{
    const Bytes before = {0x02, 'o', 'k'};
    const auto readTwo = [](CArchive& ar) {
        std::string first;
        std::string second;
        ar >> first >> second;
    };
    const Bytes cases[] = {
        Concat({before, {0x05, 'a', 'b'}}),                     // in the characters
        Concat({before, {0xFF, 0x2C}}),                         // in the 16-bit length
        Concat({before, {0xFF, 0xFF, 0xFF, 0x10}}),             // in the 32-bit length
        Concat({before, {0xFF, 0xFE, 0xFF, 0x02, 'a', 0, 'b'}}), // in a wide character
        Concat({before, {0xFF}}),                               // after the escape byte
    };
    for (const Bytes& stream : cases) {
        const CArchiveException failure = LoadFailure(stream, readTwo);
        EXPECT_EQ(failure.m_cause, CArchiveException::endOfFile);
        EXPECT_EQ(failure.m_streamOffset, 3u);
    }
}

TEST(ArchiveStrings, HugeAnnouncedLengthFailsAtTheEndOfDataWithoutAllocatingIt)
{
    // 4 GB announced in a 12-byte stream: an up-front allocation would abort
    // under the sanitizer's allocator limit.
    for (const Bytes& stream : {Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'a', 'b', 'c', 'd', 'e'},
                                Bytes{0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'a', 0}}) {
        const CArchiveException failure = LoadFailure(stream, [](CArchive& ar) {
            std::string text;
            ar >> text;
        });
        EXPECT_EQ(failure.m_cause, CArchiveException::endOfFile);
        EXPECT_EQ(failure.m_streamOffset, 0u);
    }
}

TEST(ArchiveStrings, CharactersPassThroughUnchanged)
{
    std::string text;
    for (int c = 0; c < 256; ++c)
        text += static_cast<char>(c);
    const Bytes bytes = Store([&](CArchive& ar) { ar << text << std::string() << text; });
    Load(bytes, [&](CArchive& ar) {
        std::string a;
        std::string empty = "not empty";
        std::string b;
        ar >> a >> empty >> b;
        EXPECT_EQ(a, text);
        EXPECT_EQ(empty, "");
        EXPECT_EQ(b, text);
    });
}

}  // namespace
