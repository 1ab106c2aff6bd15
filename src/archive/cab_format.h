// On-disk layout of Microsoft cabinet files: record sizes, field offsets named
// after the format's own record and field names, flag values and limits.
//
// All multi-byte fields are little-endian. A cabinet is one CFHEADER, an
// optional reserve area and set names, the CFFOLDER table, the CFFILE table
// and the CFDATA blocks of every folder.
#ifndef VORAFILE_ARCHIVE_CAB_FORMAT_H
#define VORAFILE_ARCHIVE_CAB_FORMAT_H

#include <cstddef>
#include <cstdint>

namespace vorafile::archive::cab {

// CFHEADER: the fixed part of the cabinet header.
inline constexpr std::size_t kCfHeaderSignature = 0x00; // "MSCF"
inline constexpr std::size_t kCfHeaderReserved1 = 0x04;
inline constexpr std::size_t kCfHeaderCbCabinet = 0x08; // whole file size
inline constexpr std::size_t kCfHeaderReserved2 = 0x0C;
inline constexpr std::size_t kCfHeaderCoffFiles = 0x10; // first CFFILE
inline constexpr std::size_t kCfHeaderReserved3 = 0x14;
inline constexpr std::size_t kCfHeaderVersionMinor = 0x18;
inline constexpr std::size_t kCfHeaderVersionMajor = 0x19;
inline constexpr std::size_t kCfHeaderCFolders = 0x1A;
inline constexpr std::size_t kCfHeaderCFiles = 0x1C;
inline constexpr std::size_t kCfHeaderFlags = 0x1E;
inline constexpr std::size_t kCfHeaderSetId = 0x20;
inline constexpr std::size_t kCfHeaderICabinet = 0x22;
inline constexpr std::size_t kCfHeaderSize = 0x24;

// Reserve sizes that follow CFHEADER when kFlagReservePresent is set.
inline constexpr std::size_t kCfReserveCbCfHeader = 0x00;
inline constexpr std::size_t kCfReserveCbCfFolder = 0x02;
inline constexpr std::size_t kCfReserveCbCfData = 0x03;
inline constexpr std::size_t kCfReserveSize = 0x04;

// CFFOLDER.
inline constexpr std::size_t kCfFolderCoffCabStart = 0x00; // first CFDATA
inline constexpr std::size_t kCfFolderCCfData = 0x04;
inline constexpr std::size_t kCfFolderTypeCompress = 0x06;
inline constexpr std::size_t kCfFolderSize = 0x08;

// CFFILE; the NUL-terminated name follows the fixed part.
inline constexpr std::size_t kCfFileCbFile = 0x00;
inline constexpr std::size_t kCfFileUoffFolderStart = 0x04;
inline constexpr std::size_t kCfFileIFolder = 0x08;
inline constexpr std::size_t kCfFileDate = 0x0A;
inline constexpr std::size_t kCfFileTime = 0x0C;
inline constexpr std::size_t kCfFileAttribs = 0x0E;
inline constexpr std::size_t kCfFileSize = 0x10;

// CFDATA; the reserve area and then cbData bytes follow the fixed part.
inline constexpr std::size_t kCfDataCsum = 0x00;
inline constexpr std::size_t kCfDataCbData = 0x04;
inline constexpr std::size_t kCfDataCbUncomp = 0x06;
inline constexpr std::size_t kCfDataSize = 0x08;

inline constexpr std::uint8_t kSignature[4] = {'M', 'S', 'C', 'F'};
inline constexpr std::uint8_t kVersionMinor = 3;
inline constexpr std::uint8_t kVersionMajor = 1;

// CFHEADER.flags.
inline constexpr std::uint16_t kFlagPrevCabinet = 0x0001;
inline constexpr std::uint16_t kFlagNextCabinet = 0x0002;
inline constexpr std::uint16_t kFlagReservePresent = 0x0004;

// CFFILE.iFolder values that mark files spanning cabinets.
inline constexpr std::uint16_t kFolderContinuedFromPrev = 0xFFFD;
inline constexpr std::uint16_t kFolderContinuedToNext = 0xFFFE;
inline constexpr std::uint16_t kFolderContinuedPrevAndNext = 0xFFFF;

// CFFILE.attribs bits beyond the DOS ones.
inline constexpr std::uint16_t kAttribExecute = 0x0040;
inline constexpr std::uint16_t kAttribNameIsUtf = 0x0080;

// CFFOLDER.typeCompress: the low four bits select the method.
inline constexpr std::uint16_t kCompressMask = 0x000F;
inline constexpr std::uint16_t kCompressNone = 0x0000;
inline constexpr std::uint16_t kCompressMsZip = 0x0001;
inline constexpr std::uint16_t kCompressQuantum = 0x0002;
inline constexpr std::uint16_t kCompressLzx = 0x0003;
inline constexpr std::uint16_t kCompressBad = 0x000F;

// Limits.
/// Uncompressed bytes in one CFDATA block; also the MSZIP window.
inline constexpr std::size_t kBlockMax = 32768;
/// Compressed bytes in one CFDATA block: a block may grow by this much over
/// kBlockMax in the worst case of the compressors the format allows.
inline constexpr std::size_t kCompressedBlockMax = kBlockMax + 6144;
/// cbCFHeader may not exceed this (the published format's own limit).
inline constexpr std::size_t kHeaderReserveMax = 60000;
/// cbCFFolder and cbCFData are one byte each.
inline constexpr std::size_t kFolderReserveMax = 255;
inline constexpr std::size_t kDataReserveMax = 255;
/// Longest name (file, cabinet or disk) in characters; the terminator makes
/// 256 bytes, the size of the name buffers of the published interfaces.
inline constexpr std::size_t kNameMax = 255;
/// cFolders and cFiles are 16-bit.
inline constexpr std::size_t kFoldersMax = 0xFFFF;
inline constexpr std::size_t kFilesMax = 0xFFFF;
/// CFDATA.cCFData is 16-bit.
inline constexpr std::size_t kBlocksPerFolderMax = 0xFFFF;

/// The "CK" signature in front of every MSZIP block.
inline constexpr std::uint8_t kMsZipSignature[2] = {'C', 'K'};
inline constexpr std::size_t kMsZipSignatureSize = 2;

} // namespace vorafile::archive::cab

#endif // VORAFILE_ARCHIVE_CAB_FORMAT_H
