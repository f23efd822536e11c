// The .rgz file format, described once for the writer and the reader.
//
// .rgz holds exactly what an .rgm file holds, coded with context models and
// a binary range coder. All numbers are little-endian; a varint is an
// unsigned LEB128 number of at most 9 bytes without superfluous zero bytes.
//
//   signature    4 bytes   0x89 'R' 'G' 'Z'
//   version      u8        4 (1 to 3 are still read: see layers 1 and 2)
//   level        u8        0 fast, 1 best (the models the picture was coded with)
//   mode         u8        0 model, 1 fallback
//   width u16, height u16, colour count u8  (1 to 255; in fallback mode, the
//                          .rgm header's values)
//   picture      model mode: two range-coded streams, each a varint length and its bytes:
//                  layer 1  the palette, then the cleaned picture W (the
//                           picture after the encoder's small-region cleanup)
//                           as its cracks in raster order and the colour of
//                           each of its regions in raster order of their
//                           first pixels. From version 3 on, a vertex
//                           where a steep line coming down just to its
//                           right may step left has line classes of its
//                           own (how the line's vertical run compares with
//                           its previous one), a quiet vertex inside a
//                           stretch known to hold a birth is coded by how
//                           much of the stretch is left, the crack mixers
//                           learn faster, and the best level adds the run
//                           before the previous one (of lines and of the
//                           steps a birth continues) as contexts and trusts
//                           its refinement less; versions 1 and 2 code the
//                           cracks without these
//                  layer 2  the picture given W, pixel by pixel. From version
//                           2 on, the default level's layer begins with a bit
//                           telling whether the palette tree is weighed and,
//                           if so, each entry's weight log (0 to 15, four
//                           bits): the colours changed pixels take most
//                           often sit near the tree's root and cost fewer
//                           decisions; the best level refines each tree
//                           decision by the node and the pixel's distance
//                           class too. Version 1 has neither (an even tree,
//                           refinement by depth and W alone). From version
//                           4 on, the best level's layer begins with the
//                           same weights (its models take decisions deeper
//                           than 7 as at depth 7), and its contexts reach
//                           two pixels out and see W ahead of the pixel
//                fallback mode: the .rgm file's length (varint), then a varint
//                  length and the .rgm bytes as a raw LZMA2 stream (liblzma);
//                  for .rgm files our encoder would not write byte for byte
//   chunks       zero or more, up to the checksum: tag u32 (four ASCII
//                letters), a varint length and that many bytes of data. A
//                reader skips a chunk it does not know when the tag's first
//                letter is lower case (optional) and refuses the file when
//                it is upper case (needed to read the picture right).
//   checksum     u32 CRC-32 (zlib's) of every byte before it
//
// The .rgm file of a model-mode picture is our encoder's output for the
// decoded picture; the writer checks before choosing model mode that this
// gives the .rgm bytes it was handed.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint8_t RGZ_SIGNATURE[4] = {0x89, 'R', 'G', 'Z'};
constexpr uint8_t RGZ_VERSION = 4;
constexpr uint8_t RGZ_OLDEST_VERSION = 1;  // the oldest version a reader reads
constexpr uint8_t RGZ_MODE_MODEL = 0;
constexpr uint8_t RGZ_MODE_FALLBACK = 1;
constexpr size_t RGZ_HEADER_BYTES = 12;  // signature to colour count
constexpr size_t RGZ_CHECKSUM_BYTES = 4;
constexpr size_t RGZ_VARINT_MAX_BYTES = 9;

// The tag of a chunk from its four letters, first letter in the lowest byte.
constexpr uint32_t RgzTag(char a, char b, char c, char d)
{
    return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 |
           uint32_t(uint8_t(d)) << 24;
}
constexpr bool RgzTagIsOptional(uint32_t tag) { return (tag & 0xFF) >= 'a' && (tag & 0xFF) <= 'z'; }
constexpr bool RgzTagIsValid(uint32_t tag)
{
    for (int k = 0; k < 4; ++k) {
        const uint8_t c = uint8_t(tag >> (8 * k));
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')))
            return false;
    }
    return true;
}
