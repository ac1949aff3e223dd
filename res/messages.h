// The operator's messages that both the program and kwctl show, written once. UTF-16, as the
// program hands them to the system; kwctl converts them to UTF-8.
#pragma once

namespace messages {

inline constexpr wchar_t kSent[] = L"プリンタに設定値を送信しました。";
inline constexpr wchar_t kFileRefused[] = L"接続先がFILEのため設定値を送信できません。";
inline constexpr wchar_t kNotUsable[] =
    L"指定されたプリンタは、現在接続されていないか、"
    L"プリンタ使用権の制限により使用できません。";
inline constexpr wchar_t kNotSettingsFile[] = L"このファイルは設定ファイルではありません。";
inline constexpr wchar_t kWriteFailed[] = L"設定ファイルの書き込みに失敗しました。";
// The first line of the program's refusal, which goes on to what to do.
inline constexpr wchar_t kAccessDenied[] = L"このディレクトリに保存するアクセス許可がありません。";

}  // namespace messages
