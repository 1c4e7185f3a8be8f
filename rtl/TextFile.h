// Text files that report the runtime's input/output codes instead of raising: each operation
// returns 0 or the code (2 file not found, 101 disk full, 103 not open, 104 not open for input,
// 105 not open for output, ...). CheckIo turns a code into EInOutError.
#pragma once

#include "platform/WinTypes.h"

#include <string>
#include <string_view>
#include <vector>

namespace rtl {

class TTextFile {
public:
    explicit TTextFile(std::string fileName = {});
    // Closes the file; a failure to write the last buffer is lost, so call Close to see it.
    ~TTextFile();
    TTextFile(const TTextFile&) = delete;
    TTextFile& operator=(const TTextFile&) = delete;

    void Assign(std::string fileName);
    // The buffer that writes collect in before they reach the file; only while closed.
    void SetBufferSize(std::size_t size);

    int Rewrite(); // create or truncate, for output
    int Append();  // open an existing file for output at its end; 2 when it does not exist
    int Reset();   // open an existing file for input
    int Close();

    int Write(std::string_view text);
    int WriteLn(std::string_view text = {}); // the text and CR LF
    // Reads up to the next CR LF, LF or CR; at the end of the file gives an empty line.
    int ReadLn(std::string& line);
    bool Eof();
    bool IsOpen() const { return mode_ != Mode::Closed; }

private:
    enum class Mode { Closed, Input, Output };

    int Open(Mode mode, win::DWORD access, win::DWORD disposition, bool toEnd);
    int Flush();
    int Fill();

    std::string fileName_;
    std::size_t bufferSize_ = 128;
    Mode mode_ = Mode::Closed;
    win::HANDLE handle_;
    std::vector<char> buffer_;
    std::size_t bufferPosition_ = 0; // input: next byte to read
    std::size_t bufferEnd_ = 0;      // input: bytes in the buffer
};

// Raises EInOutError with the code's text when the code is not 0.
void CheckIo(int code);

} // namespace rtl
