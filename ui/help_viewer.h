#pragma once
// The program's help window. It opens at the table of contents or at the
// topic of a help context number.

#include <QTextBrowser>
#include <string>

namespace tarnovel {

class HelpViewer : public QTextBrowser {
  public:
    explicit HelpViewer(QWidget* parent = nullptr);

    // The page of a topic key ("ZELVIMO.TOC000": the contents).
    void ShowKey(const std::string& key);
    // The page of a help context number.
    void ShowContext(int context);

    // What the window shows: the key or the context number as text.
    const std::string& topic() const { return topic_; }

  private:
    void Present();

    std::string topic_;
};

}  // namespace tarnovel
