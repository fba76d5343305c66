#include "data/engines/name_match.h"

#include <QMultiHash>
#include <QSet>
#include <sqlite3.h>

namespace {

// Simple case folding, except that no other character folds onto A to Z
// (the Kelvin sign, the long s): the name index compares A to Z by itself,
// and a letter typed from A to Z must find exactly what the index finds.
char32_t fold(char32_t c)
{
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    const char32_t f = QChar::toCaseFolded(c);
    return f < 0x80 ? c : f;
}

// Reads one code point from UTF-16 and advances i.
char32_t next_code_point(QStringView s, qsizetype& i)
{
    const QChar c = s[i++];
    if (c.isHighSurrogate() && i < s.size() && s[i].isLowSurrogate())
        return QChar::surrogateToUcs4(c, s[i++]);
    return c.unicode();
}

// Iterative LIKE match with backtracking to the last "%": linear in
// practice, never recursive, so long texts cannot exhaust the stack.
bool like_folded(const std::u32string& v, const std::u32string& p)
{
    size_t vi = 0, pi = 0;
    size_t star = std::u32string::npos, mark = 0;
    while (vi < v.size()) {
        if (pi < p.size() && (p[pi] == U'_' || p[pi] == v[vi])) {
            ++vi;
            ++pi;
        } else if (pi < p.size() && p[pi] == U'%') {
            star = pi++;
            mark = vi;
        } else if (star != std::u32string::npos) {
            pi = star + 1;
            vi = ++mark;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == U'%')
        ++pi;
    return pi == p.size();
}

std::u32string folded(QStringView s)
{
    std::u32string out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size();)
        out.push_back(fold(next_code_point(s, i)));
    return out;
}

std::u32string folded_utf8(const unsigned char* s, int n)
{
    return folded(QString::fromUtf8(reinterpret_cast<const char*>(s), n));
}

// The characters that compare equal to c when case is ignored. The case
// mappings of c alone miss some (the capital sharp s folds to the sharp s,
// which has no capital mapping), so every code point is folded once.
QSet<char32_t> case_variants(char32_t c)
{
    static const QMultiHash<char32_t, char32_t> folded_from = [] {
        QMultiHash<char32_t, char32_t> table;
        for (char32_t v = 0x80; v <= 0x10FFFF; v = v == 0xD7FF ? 0xE000 : v + 1)
            if (fold(v) != v)
                table.insert(fold(v), v);
        return table;
    }();
    const char32_t f = fold(c);
    QSet<char32_t> out{c, f};
    for (auto it = folded_from.constFind(f); it != folded_from.cend() && it.key() == f; ++it)
        out.insert(it.value());
    return out;
}

QString from_code_point(char32_t c)
{
    return QString::fromUcs4(&c, 1);
}

// NOCASE compares with A-Z lowered; bounds are built the same way.
QString ascii_lower(const QString& s)
{
    QString out = s;
    for (QChar& c : out)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 32);
    return out;
}

// The first string after every string that begins with prefix.
QString after_prefix(const QString& prefix)
{
    std::u32string cps;
    for (qsizetype i = 0; i < prefix.size();)
        cps.push_back(next_code_point(prefix, i));
    while (!cps.empty()) {
        char32_t last = cps.back();
        cps.pop_back();
        char32_t next = last + 1;
        if (next >= 0xD800 && next <= 0xDFFF)
            next = 0xE000;
        if (next <= 0x10FFFF) {
            cps.push_back(next);
            return QString::fromStdU32String(cps);
        }
    }
    return {};
}

void th_like(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    // The folded pattern is kept between rows of one statement.
    auto* pattern = static_cast<std::u32string*>(sqlite3_get_auxdata(ctx, 1));
    if (!pattern) {
        pattern = new std::u32string(folded_utf8(sqlite3_value_text(argv[1]), sqlite3_value_bytes(argv[1])));
        sqlite3_set_auxdata(ctx, 1, pattern, [](void* p) { delete static_cast<std::u32string*>(p); });
        pattern = static_cast<std::u32string*>(sqlite3_get_auxdata(ctx, 1));
        if (!pattern) {
            sqlite3_result_error_nomem(ctx);
            return;
        }
    }
    const auto value = folded_utf8(sqlite3_value_text(argv[0]), sqlite3_value_bytes(argv[0]));
    sqlite3_result_int(ctx, like_folded(value, *pattern) ? 1 : 0);
}

}  // namespace

bool name_like(QStringView value, QStringView pattern)
{
    return like_folded(folded(value), folded(pattern));
}

std::optional<NameRange> name_range(const QString& pattern)
{
    // The literal beginning: everything before the first wildcard.
    // NOCASE stops comparing at a NUL character, so the range ends there
    // too and th_like decides the rest.
    qsizetype literal_end = 0;
    while (literal_end < pattern.size() && pattern[literal_end] != u'%' && pattern[literal_end] != u'_'
           && pattern[literal_end] != QChar(0))
        ++literal_end;
    // Without a trailing "%" the whole name must match, not only its beginning.
    const bool only_trailing_percent = literal_end < pattern.size()
        && QStringView(pattern).mid(literal_end).count(u'%') == pattern.size() - literal_end;

    QString stable;  // the part NOCASE already matches exactly
    for (qsizetype i = 0; i < literal_end;) {
        const qsizetype start = i;
        const char32_t c = next_code_point(pattern, i);
        if (c < 0x80 || case_variants(c).size() == 1) {
            stable += QStringView(pattern).mid(start, i - start);
            continue;
        }
        // A letter NOCASE does not fold: the range spans all its variants.
        const auto variants = case_variants(c);
        const char32_t lo = *std::min_element(variants.begin(), variants.end());
        const char32_t hi = *std::max_element(variants.begin(), variants.end());
        const QString base = ascii_lower(stable);
        return NameRange{base + from_code_point(lo), after_prefix(base + from_code_point(hi)), false};
    }
    if (stable.isEmpty())
        return std::nullopt;
    const QString base = ascii_lower(stable);
    return NameRange{base, after_prefix(base), only_trailing_percent};
}

void register_name_match(sqlite3* db)
{
    if (db)
        sqlite3_create_function_v2(db, "th_like", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                   th_like, nullptr, nullptr, nullptr);
}
