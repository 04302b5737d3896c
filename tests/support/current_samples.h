// The pages of samples/current, saved the way today's browsers save them
// (links as UTF-8 escapes), and the archive each is named after. The first
// four are named with a macron, in Japanese, in Cyrillic and in plain ASCII.
#pragma once

namespace testsupport {

struct ArchivedSample {
  const char* page;     // in samples/current
  const char* archive;  // its archive's name without extension
};

inline constexpr ArchivedSample kCurrentSamples[] = {
    {"Hōseki Shōjo Mao.html", "Hōseki Shōjo Mao [Jewel Girl Mao][ТВ-сериал]"},
    {"宝石少女マオ.html", "宝石少女マオ [Jewel Girl Mao - Summer Stones][OVA]"},
    {"Волшебница Мао.html", "Волшебница Мао [Mao the Sorceress][ТВ-сериал]"},
    // Windows-1251, its title's ō written "&#333;".
    {"Hoseki Shojo Mao.html", "Hōseki Shōjo Mao 2 [Jewel Girl Mao 2][ТВ-сериал]"},
    // KOI8-R, likewise.
    {"Gekijoban Kaito Shojo Rin.htm",
     "Gekijōban Kaitō Shōjo Rin [Phantom Thief Girl Rin the Movie][Фильм]"},
    // Saved by Chrome: "Content-Type" heads the page, its links are not escaped.
    {"Mao Gaiden.html", "Hōseki Shōjo Mao Gaiden [Jewel Girl Mao Side Stories][OVA]"},
    // Saved "HTML only", without a folder: the site's own charset="utf-8" declares its charset.
    {"Hoshi no Yado.html", "Звёздная гостиница [Starlit Inn][OVA]"},
};

}  // namespace testsupport
