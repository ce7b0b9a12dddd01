// Arabic words the page generators draw from.
#pragma once

#include <span>

namespace tavo::quality {

// Common words of everyday Arabic prose.
inline constexpr const char* kCommonWords[] = {
    "في", "من", "على", "إلى", "عن", "مع", "هذا", "هذه", "كان", "كانت", "الذي", "التي",
    "كتاب", "مدرسة", "بيت", "طريق", "مدينة", "سماء", "بحر", "شمس", "قمر", "نهر", "جبل",
    "رجل", "امرأة", "ولد", "بنت", "معلم", "طالب", "صديق", "أخ", "أخت", "أب", "أم",
    "كتب", "قرأ", "ذهب", "جاء", "قال", "رأى", "سمع", "عمل", "درس", "فتح", "أغلق",
    "جميل", "كبير", "صغير", "جديد", "قديم", "طويل", "قصير", "سعيد", "حزين", "سريع",
    "اليوم", "غدا", "أمس", "صباح", "مساء", "ليل", "نهار", "سنة", "شهر", "أسبوع",
    "الماء", "الخبز", "القهوة", "الشاي", "الطعام", "السوق", "المسجد", "الحديقة",
    "العلم", "المعرفة", "الحياة", "الناس", "العالم", "الأرض", "الوطن", "التاريخ",
    "الرسالة", "الكلمة", "الجملة", "الصفحة", "القلم", "الورقة", "الباب", "النافذة",
    "بسرعة", "ببطء", "دائما", "أحيانا", "كثيرا", "قليلا", "معا", "هنا", "هناك",
    "يكتب", "يقرأ", "يذهب", "يعمل", "يدرس", "يسافر", "يحب", "يعرف", "يريد", "يستطيع",
    "المكتبة", "الجامعة", "المستشفى", "الشارع", "القرية", "الحقل", "الشجرة", "الزهرة",
};

// Words built from letters that do not join the letter after them, so that
// they break into small pieces.
inline constexpr const char* kShortPieceWords[] = {
    "دار", "ورد", "زاد", "أرز", "دور", "رأى", "إذا", "أداء", "وداد", "زوار", "درر", "أدوار",
};

// Longer words of many pieces, and words with hamza and taa marbuta.
inline constexpr const char* kManyPieceWords[] = {
    "والدراسة", "الإدارة", "الوزراء", "وزارة", "الأوراق", "الدروس", "المدارس", "الزراعة",
    "الاقتصاد", "الاستقلال", "الجزائر", "الإمارات", "الرئيس", "المسؤول", "الأصدقاء", "سماوات",
    "ذراعان", "دراجة", "إدارات", "الذاكرة", "العربية", "والأولاد", "بالدار", "وراءه",
};

inline constexpr std::span<const char* const> commonWords{kCommonWords};
inline constexpr std::span<const char* const> shortPieceWords{kShortPieceWords};
inline constexpr std::span<const char* const> manyPieceWords{kManyPieceWords};

}  // namespace tavo::quality
