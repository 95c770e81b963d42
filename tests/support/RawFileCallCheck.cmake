# Fails when product code calls the file system past the file layer's fault seam: every listing,
# stat, open, read, rename, copy and removal of the programs goes through platform/FileFaults.h or
# platform/TextFile.h, so that a test can fail it and "absent" means ENOENT only. A raw call is let
# through when the seam is asked for it (FileStepFails) on its line or in the four lines before.
# ROOT is the source tree; FOLDERS (';'-separated) the product folders searched; ALLOWED
# (';'-separated) files, relative to ROOT, that implement the seam or make no file-system call
# of the product.
# Run with: cmake -DROOT=/src "-DFOLDERS=a;b" "-DALLOWED=a/x.cpp" -P RawFileCallCheck.cmake
cmake_minimum_required(VERSION 3.25)
# The raw calls: C and POSIX opens, C++ streams, std::filesystem queries and changes, Qt's files.
set(raw "ifstream|ofstream|fstream[ \t]+[A-Za-z_]|fopen\\(|::open\\(|[^A-Za-z0-9_.>:]open\\(|opendir\\("
        "|file_size\\(|exists\\(|is_regular_file\\(|is_directory\\(|directory_iterator"
        "|filesystem::remove|filesystem::rename|filesystem::copy|fs::remove|fs::rename|fs::copy"
        "|create_directories\\(|symlink_status\\(|::stat\\(|::lstat\\(|::chmod\\(|::unlink\\(|::rename\\("
        "|std::rename\\(|QFile[ \t(:]|QDir[ \t(:]|QFileInfo[ \t(:]")
string(JOIN "" raw ${raw})
set(found "")
foreach(folder IN LISTS FOLDERS)
    file(GLOB_RECURSE sources RELATIVE ${ROOT} ${ROOT}/${folder}/*.cpp ${ROOT}/${folder}/*.h)
    foreach(source IN LISTS sources)
        if(source IN_LIST ALLOWED)
            continue()
        endif()
        # Read whole and cut at line ends by hand: ';' and brackets in code would split or join
        # the lines of file(STRINGS).
        file(READ ${ROOT}/${source} text)
        string(REPLACE ";" "<semicolon>" text "${text}")
        string(REPLACE "[" "<" text "${text}")
        string(REPLACE "]" ">" text "${text}")
        string(REPLACE "\\" "/" text "${text}")
        string(REPLACE "\n" ";" lines "${text}")
        set(recent "") # the four lines before
        foreach(line IN LISTS lines)
            string(REGEX REPLACE "//.*$" "" code "${line}")
            if(code MATCHES "${raw}" AND NOT code MATCHES "#include"
               AND NOT "${code}${recent}" MATCHES "FileStepFails")
                string(APPEND found "\n${source}: ${line}")
            endif()
            list(APPEND recent "${code}")
            list(LENGTH recent n)
            if(n GREATER 4)
                list(REMOVE_AT recent 0)
            endif()
        endforeach()
    endforeach()
endforeach()
if(found)
    message(FATAL_ERROR "file-system calls past the fault seam:${found}")
endif()
