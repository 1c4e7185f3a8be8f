// Sample classes with every kind of published property, for the tests of the GUI class library.
#pragma once

#include "gui/Component.h"

#include <string>
#include <vector>

namespace sample {

using gui::TComponent;

// What the sample components' Loaded saw, in the order it ran.
std::vector<std::string>& LoadedLog();

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

class TSampleFont : public gui::TPersistent {
    GUI_CLASS_INFO
public:
    std::string Name() const { return name_; }
    void SetName(const std::string& name) { name_ = name; }
    std::int64_t CharSet() const { return charSet_; }
    void SetCharSet(std::int64_t charSet) { charSet_ = charSet; }
    void Assign(const gui::TPersistent& source) override {
        if (!source.Is<TSampleFont>()) return TPersistent::Assign(source);
        const auto& font = static_cast<const TSampleFont&>(source);
        name_ = font.name_;
        charSet_ = font.charSet_;
    }

private:
    std::string name_ = "MS Sans Serif";
    std::int64_t charSet_ = 1;
};

using TNotifyEvent = gui::TMethod<void(gui::TObject*)>;

class TSampleLabel : public TComponent {
    GUI_CLASS_INFO
public:
    using TComponent::TComponent;
    std::string Caption() const { return caption_; }
    void SetCaption(const std::string& caption) { caption_ = caption; }
    int Left() const { return left_; }
    void SetLeft(int left) { left_ = left; }
    bool Visible() const { return visible_; }
    void SetVisible(bool visible) { visible_ = visible; }
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment) { alignment_ = alignment; }
    TSampleFont* Font() const { return &font_; }
    void SetFont(TSampleFont* font) { font_.Assign(*font); }
    rtl::TStrings* Lines() const { return &lines_; }
    std::string Version() const { return "3.76"; }
    TNotifyEvent OnClick;
    std::string Note;
    std::int16_t Count = 0;
    bool Flag = false;

    void Loaded() override {
        TComponent::Loaded();
        LoadedLog().push_back(Name() + " caption=" + caption_);
    }
    void SetParentComponent(TComponent* parent) override { parent_ = parent; }
    TComponent* ParentComponent() const { return parent_; }

private:
    std::string caption_;
    int left_ = 0;
    bool visible_ = true;
    TAlignment alignment_ = TAlignment::taLeftJustify;
    mutable TSampleFont font_;
    mutable rtl::TStringList lines_;
    TComponent* parent_ = nullptr;
};

// Refers to another component of the form.
class TSampleLog : public TComponent {
    GUI_CLASS_INFO
public:
    using TComponent::TComponent;
    TSampleLabel* Client() const { return client_; }
    void SetClient(TSampleLabel* client) { client_ = client; }
    void Loaded() override {
        TComponent::Loaded();
        LoadedLog().push_back(Name() + " client=" + (client_ ? client_->Name() : std::string("none")));
    }

private:
    TSampleLabel* client_ = nullptr;
};

class TSampleForm : public TComponent {
    GUI_CLASS_INFO
public:
    using TComponent::TComponent;
    void ButtonClick(gui::TObject* sender) {
        ++clicks;
        lastSender = sender;
    }
    void Other(gui::TObject*) {}
    void WrongShape(int) {}
    std::string Caption() const { return caption_; }
    void SetCaption(const std::string& caption) { caption_ = caption; }
    void Loaded() override {
        TComponent::Loaded();
        LoadedLog().push_back(Name() + " caption=" + caption_);
    }
    int clicks = 0;
    gui::TObject* lastSender = nullptr;

private:
    std::string caption_;
};

} // namespace sample
