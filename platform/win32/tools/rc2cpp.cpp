// Build-time resource compiler for Linux: reads the module's .rc file (the same
// one windres compiles for Windows) and writes a C++ source holding its raw-data
// and string-table resources, plus the code that registers the module under its
// name when the library loads, so that its DllMain sees attach and detach as
// under the Windows loader. Unknown statements are errors, so the .rc stays the
// single source for both targets.
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace
{

struct Token
{
    enum Kind
    {
        Word,
        Number,
        String,
        Comma,
        End
    } kind;
    std::string text;
    long value = 0;
    int line = 0;
};

struct Raw
{
    long type, id, language;
    std::string file;
};

struct Str
{
    long id;
    std::string text;
};

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot open " + path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string dirOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

class Parser
{
public:
    Parser(std::string path) : m_path(std::move(path)), m_dir(dirOf(m_path))
    {
        m_defines = {{"LANG_NEUTRAL", 0},       {"SUBLANG_NEUTRAL", 0}, {"LANG_ENGLISH", 9},
                     {"SUBLANG_ENGLISH_US", 1}, {"SUBLANG_DEFAULT", 1}, {"RCDATA", -1}};
        tokenise(readFile(m_path));
    }

    void parse()
    {
        while (peek().kind != Token::End)
        {
            const Token t = next();
            if (t.kind == Token::Word && t.text == "LANGUAGE")
            {
                const long primary = value(next());
                expect(Token::Comma);
                const long sub = value(next());
                m_language = (sub << 10) | primary;
            }
            else if (t.kind == Token::Word && t.text == "STRINGTABLE")
                stringTable();
            else
                resource(value(t), t.line);
        }
    }

    void write(const std::string& out, const std::string& module) const
    {
        std::ostringstream s;
        s << "// Generated from " << m_path << " by rc2cpp. Do not edit.\n"
          << "#include <swk/ModuleRegistry.h>\n\nnamespace\n{\n";
        for (size_t i = 0; i < m_raw.size(); ++i)
        {
            const std::string bytes = readFile(m_dir + "/" + m_raw[i].file);
            s << "const unsigned char kRaw" << i << "[] = {";
            for (size_t b = 0; b < bytes.size(); ++b)
                s << (b % 16 ? " " : "\n    ") << int(static_cast<unsigned char>(bytes[b])) << ',';
            s << " 0};\n";
            s << "const DWORD kRawSize" << i << " = " << bytes.size() << ";\n";
        }
        s << "const swk::win32::RawResource kRaw[] = {\n";
        for (size_t i = 0; i < m_raw.size(); ++i)
            s << "    {" << m_raw[i].type << ", " << m_raw[i].id << ", " << m_raw[i].language
              << ", kRaw" << i << ", kRawSize" << i << "},\n";
        s << "    {0, 0, 0, nullptr, 0}};\nconst swk::win32::StringResource kStrings[] = {\n";
        for (const Str& str : m_strings)
        {
            s << "    {" << str.id << ", \"";
            for (unsigned char c : str.text)
            {
                if (c == '"' || c == '\\')
                    s << '\\' << c;
                else if (c < 32 || c > 126)
                {
                    char oct[8];
                    std::snprintf(oct, sizeof oct, "\\%03o", c);
                    s << oct;
                }
                else
                    s << c;
            }
            s << "\"},\n";
        }
        s << "    {0, nullptr}};\n"
          << "const swk::win32::ModuleResources kResources = {kRaw, " << m_raw.size()
          << ", kStrings, " << m_strings.size() << "};\n} // namespace\n\n"
          << "extern \"C\" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID);\n\nnamespace\n{\n"
          << "struct ModuleLifetime\n{\n    HMODULE handle;\n"
          << "    ModuleLifetime() : handle(swk::win32::RegisterModule(\"" << module
          << "\", kResources, &DllMain)) {}\n"
          << "    ~ModuleLifetime() { swk::win32::UnregisterModule(handle); }\n};\n"
          << "const ModuleLifetime g_moduleLifetime;\n} // namespace\n";
        const std::string tmp = out + ".tmp";
        {
            std::ofstream o(tmp, std::ios::binary);
            o << s.str();
            if (!o)
                throw std::runtime_error("cannot write " + tmp);
        }
        if (std::rename(tmp.c_str(), out.c_str()) != 0)
            throw std::runtime_error("cannot write " + out);
    }

private:
    void tokenise(const std::string& src)
    {
        int line = 1;
        for (size_t i = 0; i < src.size();)
        {
            const char c = src[i];
            if (c == '\n')
            {
                ++line;
                ++i;
            }
            else if (std::isspace(static_cast<unsigned char>(c)))
                ++i;
            else if (c == '/' && i + 1 < src.size() && src[i + 1] == '/')
                i = src.find('\n', i) == std::string::npos ? src.size() : src.find('\n', i);
            else if (c == '/' && i + 1 < src.size() && src[i + 1] == '*')
            {
                const size_t end = src.find("*/", i + 2);
                for (size_t k = i; k < (end == std::string::npos ? src.size() : end); ++k)
                    line += src[k] == '\n';
                i = end == std::string::npos ? src.size() : end + 2;
            }
            else if (c == '#')
            {
                const size_t end = src.find('\n', i);
                directive(src.substr(i, end - i), line);
                i = end == std::string::npos ? src.size() : end;
            }
            else if (c == ',')
            {
                m_tokens.push_back({Token::Comma, ",", 0, line});
                ++i;
            }
            else if (c == '"')
            {
                std::string text;
                ++i;
                for (; i < src.size(); ++i)
                {
                    if (src[i] == '"' && i + 1 < src.size() && src[i + 1] == '"')
                        text += src[++i];
                    else if (src[i] == '"')
                        break;
                    else if (src[i] == '\\' && i + 1 < src.size())
                    {
                        const char e = src[++i];
                        text += e == 'n' ? '\n' : e == 't' ? '\t' : e;
                    }
                    else
                        text += src[i];
                }
                ++i;
                m_tokens.push_back({Token::String, text, 0, line});
            }
            else if (std::isdigit(static_cast<unsigned char>(c)))
            {
                size_t used = 0;
                const long v = std::stol(src.substr(i, 20), &used, 0);
                i += used;
                if (i < src.size() && (src[i] == 'L' || src[i] == 'l'))
                    ++i;
                m_tokens.push_back({Token::Number, "", v, line});
            }
            else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_')
            {
                size_t j = i;
                while (j < src.size() &&
                       (std::isalnum(static_cast<unsigned char>(src[j])) || src[j] == '_'))
                    ++j;
                m_tokens.push_back({Token::Word, src.substr(i, j - i), 0, line});
                i = j;
            }
            else if (c == '{' || c == '}')
            {
                m_tokens.push_back({Token::Word, c == '{' ? "BEGIN" : "END", 0, line});
                ++i;
            }
            else
                fail(line, std::string("unexpected character '") + c + "'");
        }
        m_tokens.push_back({Token::End, "", 0, line});
    }

    void directive(const std::string& text, int line)
    {
        std::istringstream in(text.substr(1));
        std::string word;
        in >> word;
        if (word == "include")
        {
            std::string name;
            in >> name;
            if (name.size() > 2 && name.front() == '"')
            {
                std::istringstream header(readFile(m_dir + "/" + name.substr(1, name.size() - 2)));
                std::string l;
                while (std::getline(header, l))
                    if (l.rfind("#define", 0) == 0)
                        define(l.substr(1), line);
            }
        }
        else if (word == "define")
            define(text.substr(1), line);
        // #pragma and conditionals carry nothing the resources need.
    }

    void define(const std::string& text, int line)
    {
        std::istringstream in(text);
        std::string define, name, value;
        in >> define >> name >> value;
        if (value.empty())
            return;
        try
        {
            m_defines[name] = std::stol(value, nullptr, 0);
        }
        catch (const std::exception&)
        {
            fail(line, "#define " + name + " is not a number");
        }
    }

    void resource(long id, int line)
    {
        const Token type = next();
        if (type.kind != Token::Word || type.text != "RCDATA")
            fail(line, "only RCDATA resources and STRINGTABLE are supported");
        skipMemoryOptions();
        const Token file = next();
        if (file.kind != Token::String)
            fail(line, "RCDATA needs a file name");
        m_raw.push_back({10, id, m_language, file.text});
    }

    void stringTable()
    {
        skipMemoryOptions();
        if (next().text != "BEGIN")
            fail(peek().line, "STRINGTABLE needs BEGIN");
        while (!(peek().kind == Token::Word && peek().text == "END"))
        {
            const Token idToken = next();
            const long id = value(idToken);
            if (peek().kind == Token::Comma)
                next();
            const Token text = next();
            if (text.kind != Token::String)
                fail(text.line, "string table entry needs a string");
            m_strings.push_back({id, text.text});
        }
        next();
    }

    void skipMemoryOptions()
    {
        static const char* const kOptions[] = {"PRELOAD", "LOADONCALL", "MOVEABLE", "DISCARDABLE",
                                               "PURE",    "IMPURE",     "FIXED"};
        while (peek().kind == Token::Word)
        {
            bool skipped = false;
            for (const char* o : kOptions)
                if (peek().text == o)
                {
                    next();
                    skipped = true;
                }
            if (!skipped)
                return;
        }
    }

    long value(const Token& t)
    {
        if (t.kind == Token::Number)
            return t.value;
        if (t.kind == Token::Word)
        {
            const auto it = m_defines.find(t.text);
            if (it != m_defines.end() && it->second >= 0)
                return it->second;
        }
        fail(t.line, "expected a number, got '" + t.text + "'");
        return 0;
    }

    void expect(Token::Kind kind)
    {
        if (next().kind != kind)
            fail(m_tokens[m_pos - 1].line, "unexpected token");
    }

    const Token& peek() const { return m_tokens[m_pos]; }
    const Token& next() { return m_tokens[m_pos < m_tokens.size() - 1 ? m_pos++ : m_pos]; }

    [[noreturn]] void fail(int line, const std::string& what) const
    {
        throw std::runtime_error(m_path + "(" + std::to_string(line) + "): " + what);
    }

    std::string m_path, m_dir;
    std::map<std::string, long> m_defines;
    std::vector<Token> m_tokens;
    size_t m_pos = 0;
    long m_language = 0;
    std::vector<Raw> m_raw;
    std::vector<Str> m_strings;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4)
    {
        std::fprintf(stderr, "usage: rc2cpp <input.rc> <output.cpp> <module name>\n");
        return 2;
    }
    try
    {
        Parser parser(argv[1]);
        parser.parse();
        parser.write(argv[2], argv[3]);
    }
    catch (const std::exception& e)
    {
        std::fprintf(stderr, "rc2cpp: %s\n", e.what());
        return 1;
    }
    return 0;
}
