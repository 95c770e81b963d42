#include "ziparchive/ZipException.h"

#include <cstring>

CZipException::CZipException(int internalCode, std::string fileName)
    : m_iCause(CauseFromCode(internalCode)), m_szFileName(std::move(fileName)) {
    m_szWhat = std::string("zip archive: ") + Describe(m_iCause);
    if (!m_szFileName.empty())
        m_szWhat += " (" + m_szFileName + ")";
}

int CZipException::CauseFromCode(int internalCode) {
    switch (internalCode) {
    case 1:
        return streamEnd;
    case 2:
        return needDict;
    case -1:
        return errNo;
    case -2:
        return streamError;
    case -3:
        return dataError;
    case -4:
        return memError;
    case -5:
        return bufError;
    case -6:
        return versionError;
    case codeBadZipFile:
        return badZipFile;
    case codeBadCrc:
        return badCrc;
    case codeNoCallback:
        return noCallback;
    case codeAborted:
        return aborted;
    case codeNonRemovable:
        return nonRemovable;
    case codeTooManyVolumes:
        return tooManyVolumes;
    case codeTooLongData:
        return tooLongData;
    case codeBadPassword:
        return badPassword;
    case codeCdirNotFound:
        return cdirNotFound;
    case codeTooLarge:
        return tooLarge;
    case codeNoSpace:
        return noSpace;
    default:
        return generic;
    }
}

const char* CZipException::Describe(int cause) {
    switch (cause) {
    case streamEnd:
        return "unexpected end of the compressed stream";
    case needDict:
        return "compressed stream needs a dictionary";
    case errNo:
        return "system error in the compression library";
    case streamError:
        return "compression stream error";
    case dataError:
        return "corrupt compressed data";
    case memError:
        return "out of memory";
    case bufError:
        return "compression buffer error";
    case versionError:
        return "compression library version mismatch";
    case badZipFile:
        return "bad zip archive";
    case badCrc:
        return "CRC-32 mismatch";
    case noCallback:
        return "no volume callback set";
    case aborted:
        return "aborted by the volume callback";
    case nonRemovable:
        return "drive is not removable";
    case tooManyVolumes:
        return "too many volumes";
    case tooLongData:
        return "name, extra field or comment too long";
    case badPassword:
        return "wrong password";
    case cdirNotFound:
        return "end of central directory not found";
    case tooLarge:
        return "the entries declare more data than this archive may unpack to";
    case noSpace:
        return "not enough free space for the data the entries declare";
    default:
        return "generic error";
    }
}

CZipFileException::CZipFileException(std::string fileName, std::string operation, int error)
    : m_szFileName(std::move(fileName)), m_szOperation(std::move(operation)), m_iError(error) {
    m_szWhat = "file " + m_szOperation + " failed: " + m_szFileName;
    if (m_iError != 0)
        m_szWhat += std::string(" (") + std::strerror(m_iError) + ")";
}

void ZipThrow(int internalCode, const std::string& fileName) {
    throw CZipException(internalCode, fileName);
}
