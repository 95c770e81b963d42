#pragma once
// Failures of the zip archive. CZipException carries one of the archive's causes and the path of
// the archive file or volume in use; CZipFileException stands for a failed file operation (open,
// read, write) of the archive or of a file being packed or unpacked. Both stay inside the callers
// of the archive, which catch them and report in their own words.
#include <exception>
#include <string>

class CZipException : public std::exception {
public:
    // Causes as callers see them.
    enum Cause {
        generic = 1,
        streamEnd = 2,     // zlib: stream end where none was expected
        needDict = 3,      // zlib: dictionary needed
        errNo = 4,         // zlib: system error
        streamError = 5,   // zlib: stream error
        dataError = 6,     // zlib: corrupt compressed data
        memError = 7,      // zlib: out of memory
        bufError = 8,      // zlib: buffer error
        versionError = 9,  // zlib: version error
        badZipFile = 10,   // a record is missing, short, inconsistent or uses an unknown method
        badCrc = 11,       // the extracted data's CRC-32 differs from the stored one
        noCallback = 12,   // a multi-volume operation needs the volume callback
        aborted = 13,      // the volume callback asked to abort
        nonRemovable = 14, // a removable-disk archive on a drive that is not removable
        tooManyVolumes = 15,
        tooLongData = 16, // a name, extra field or comment longer than 65535 bytes
        badPassword = 17,
        cdirNotFound = 18, // no end-of-central-directory record: the file is no zip archive
        tooLarge = 19,     // the entries declare more data than the archive may unpack to
        noSpace = 20,      // the target's file system has no room for what the entries declare
    };

    // Internal codes passed at the raise sites (zlib's own results and the archive's codes).
    enum Code {
        codeBadZipFile = -101,
        codeBadCrc = -102,
        codeNoCallback = -103,
        codeAborted = -104,
        codeNonRemovable = -105,
        codeTooManyVolumes = -106,
        codeTooLongData = -107,
        codeBadPassword = -108,
        codeCdirNotFound = -109,
        codeTooLarge = -110,
        codeNoSpace = -111,
    };

    CZipException(int internalCode, std::string fileName);

    // The cause that an internal code stands for (any unknown code is generic).
    static int CauseFromCode(int internalCode);

    const char* what() const noexcept override { return m_szWhat.c_str(); }
    // A short English description of the cause, for diagnostics.
    static const char* Describe(int cause);

    int m_iCause;
    std::string m_szFileName;

private:
    std::string m_szWhat;
};

class CZipFileException : public std::exception {
public:
    CZipFileException(std::string fileName, std::string operation, int error);
    const char* what() const noexcept override { return m_szWhat.c_str(); }

    std::string m_szFileName;
    std::string m_szOperation;
    int m_iError; // errno of the failed call, 0 when it was a short transfer

private:
    std::string m_szWhat;
};

// Raises CZipException with the given internal code and path.
[[noreturn]] void ZipThrow(int internalCode, const std::string& fileName);
