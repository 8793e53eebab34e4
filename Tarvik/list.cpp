// List mode: a plain-text file of LAS file names separated by any whitespace.
// Every name is validated, and all must share one LAS type, before the banner
// is printed or a point is read.
#include "tarvik.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace {

enum class Token { Name, End, Error };

// Takes the next whitespace-separated word, of any length.
Token nextName(std::FILE *flist, std::string &name)
{
    name.clear();
    int c;
    while ((c = std::getc(flist)) != EOF && std::isspace(c))
        ;
    while (c != EOF && !std::isspace(c)) {
        if (c == '\0')
            return Token::Error;
        name.push_back(static_cast<char>(c));
        c = std::getc(flist);
    }
    if (std::ferror(flist))
        return Token::Error;
    return name.empty() ? Token::End : Token::Name;
}

} // namespace

void readList(const std::string &listName, RunInput &input)
{
    const File flist(std::fopen(listName.c_str(), "r"));
    if (flist == nullptr) {
        std::printf("\nCannot open input ASCII file %s for reading\n", listName.c_str());
        std::exit(-1);
    }
    // The names are kept, so the scan reads exactly the files validated here.
    std::string LASName;
    int16_t LASTypeCheck = 0;
    Token token;
    while ((token = nextName(flist.get(), LASName)) == Token::Name) {
        const int16_t LASType = validateLasFile(LASName);
        if (LASType < 1) {
            std::printf("%s (listed in %s) is not a valid LAS file\n", LASName.c_str(),
                        listName.c_str());
            std::exit(-1);
        }
        if (input.LASNames.empty()) {
            LASTypeCheck = LASType;
        } else if (LASType != LASTypeCheck) {
            std::printf("\nType of file %s differs from that of previous files in %s\n",
                        LASName.c_str(), listName.c_str());
            std::exit(-1);
        }
        input.LASNames.push_back(LASName);
    }
    if (token == Token::Error) {
        std::printf("\nCannot read input ASCII file %s as a list of names\n", listName.c_str());
        std::exit(-1);
    }
    if (input.LASNames.empty()) {
        std::printf("\nFile %s contains no valid .las files\n", listName.c_str());
        std::exit(-1);
    }
    input.LASType = LASTypeCheck;
}
