// What opening and saving a package answer.
#ifndef VORAFILE_PACKAGE_PACKAGE_RESULT_H
#define VORAFILE_PACKAGE_PACKAGE_RESULT_H

#include "document/result_record.h"

namespace vorafile {

/// Every way opening a package can fail, in the order of the open's steps.
enum class OpenStatus {
  Ok,
  NoSuchPackage,        // the package path does not exist
  CannotMakeWorkFolder, // no fresh folder under the temporary folder
  CannotExtract,        // the package is no readable cabinet
  MigrationFailed,      // an old scene whose template cannot be extracted
  FileListIncomplete,   // "FileList.ini" missing, empty or naming a lost file
  NoScript,             // the scene: see SceneOpenStatus
  ScriptUnreadable,
  ScriptRejected,
  TooManyNodes,
  MigrationListUnreadable, // the old list "vora_.rudov" cannot be opened
  MigrationListRejected,   // it names no layout or no entries
  OutOfMemory,             // an allocation failed at any step
};

/// Every way saving a package can fail.
enum class SaveStatus {
  Ok,
  NoPackage,           // nothing is open
  NoFileList,          // the working folder holds no "FileList.ini"
  CannotWriteFileList, // the list could not be rewritten
  CannotPack,          // the cabinet could not be written
  OutOfMemory,         // an allocation failed at any step
};

using OpenResult = ResultRecord<OpenStatus>;
using SaveResult = ResultRecord<SaveStatus>;

} // namespace vorafile

#endif // VORAFILE_PACKAGE_PACKAGE_RESULT_H
