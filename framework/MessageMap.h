// Message maps: each window class has a short table that pairs a message, a command id or a
// control notification with a member handler. A class's table chains to its base's table.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <initializer_list>
#include <vector>

class CDialog;

class MessageMapBase {
public:
    explicit MessageMapBase(const MessageMapBase* base) : m_base(base) {}
    virtual ~MessageMapBase() = default;
    MessageMapBase(const MessageMapBase&) = delete;
    MessageMapBase& operator=(const MessageMapBase&) = delete;

    // Runs the first matching handler of this table or of a base table.
    bool Dispatch(CDialog* target, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) const {
        for (const MessageMapBase* map = this; map; map = map->m_base) {
            if (map->DispatchOwn(target, msg, wp, lp, result)) return true;
        }
        return false;
    }

protected:
    virtual bool DispatchOwn(CDialog* target, UINT msg, WPARAM wp, LPARAM lp,
                             LRESULT& result) const = 0;

private:
    const MessageMapBase* m_base;
};

template <class T>
class MessageMap final : public MessageMapBase {
public:
    using CommandFn = void (T::*)();
    using NotifyFn = LRESULT (T::*)(NMHDR*);
    using MessageFn = LRESULT (T::*)(WPARAM, LPARAM);
    // Returns whether it handled the message; when not, the default handling runs.
    using FilterFn = bool (T::*)(WPARAM, LPARAM, LRESULT&);

    struct Entry {
        enum class Kind { Command, ControlCode, Notify, Message, Filter } kind;
        UINT msgOrId;  // the message for Kind::Message, else the command or control id
        UINT code;     // notification code for ControlCode and Notify
        CommandFn command;
        NotifyFn notify;
        MessageFn message;
        FilterFn filter;
    };

    // A command from a menu, an accelerator or a button (notification code 0 or 1).
    static Entry Command(UINT id, CommandFn fn) {
        return {Entry::Kind::Command, id, 0, fn, nullptr, nullptr, nullptr};
    }
    // A WM_COMMAND notification with one code from one control (BN_CLICKED, EN_CHANGE, ...).
    static Entry Control(UINT id, UINT code, CommandFn fn) {
        return {Entry::Kind::ControlCode, id, code, fn, nullptr, nullptr, nullptr};
    }
    // A WM_NOTIFY notification with one code from one control.
    static Entry Notify(UINT id, UINT code, NotifyFn fn) {
        return {Entry::Kind::Notify, id, code, nullptr, fn, nullptr, nullptr};
    }
    // Any other window message.
    static Entry Message(UINT msg, MessageFn fn) {
        return {Entry::Kind::Message, msg, 0, nullptr, nullptr, fn, nullptr};
    }
    // A window message that the handler may leave to the default handling.
    static Entry MessageIf(UINT msg, FilterFn fn) {
        return {Entry::Kind::Filter, msg, 0, nullptr, nullptr, nullptr, fn};
    }

    MessageMap(const MessageMapBase* base, std::initializer_list<Entry> entries)
        : MessageMapBase(base), m_entries(entries) {}

private:
    bool DispatchOwn(CDialog* target, UINT msg, WPARAM wp, LPARAM lp,
                     LRESULT& result) const override {
        T* self = static_cast<T*>(target);
        for (const Entry& e : m_entries) {
            switch (e.kind) {
                case Entry::Kind::Command:
                    if (msg != WM_COMMAND || LOWORD(wp) != e.msgOrId || HIWORD(wp) > 1) continue;
                    (self->*e.command)();
                    result = 0;
                    return true;
                case Entry::Kind::ControlCode:
                    if (msg != WM_COMMAND || LOWORD(wp) != e.msgOrId || HIWORD(wp) != e.code)
                        continue;
                    (self->*e.command)();
                    result = 0;
                    return true;
                case Entry::Kind::Notify: {
                    if (msg != WM_NOTIFY) continue;
                    auto* header = reinterpret_cast<NMHDR*>(lp);
                    if (header->idFrom != e.msgOrId || header->code != e.code) continue;
                    result = (self->*e.notify)(header);
                    return true;
                }
                case Entry::Kind::Message:
                    if (msg != e.msgOrId) continue;
                    result = (self->*e.message)(wp, lp);
                    return true;
                case Entry::Kind::Filter:
                    if (msg != e.msgOrId) continue;
                    if ((self->*e.filter)(wp, lp, result)) return true;
                    return false;
            }
        }
        return false;
    }

    std::vector<Entry> m_entries;
};
