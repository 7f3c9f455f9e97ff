#pragma once

#include <QList>

#include <list>

class ScopeTreeNode;

// An ordered list of scope tree nodes (value copies). Declared apart from ScopeTreeNode because
// a node holds its children in one; the members are defined where ScopeTreeNode is complete.
// Threads: a plain value.
class ScopeTreeNodeList {
public:
    using const_iterator = QList<ScopeTreeNode>::const_iterator;
    using iterator = QList<ScopeTreeNode>::iterator;

    ScopeTreeNodeList();
    ScopeTreeNodeList(const ScopeTreeNodeList& other);
    ScopeTreeNodeList& operator=(const ScopeTreeNodeList& other);
    ~ScopeTreeNodeList();

    ScopeTreeNodeList& operator<<(const ScopeTreeNode& node);
    ScopeTreeNodeList& operator<<(const ScopeTreeNodeList& nodes);
    void append(const ScopeTreeNode& node);
    void clear();

    std::list<ScopeTreeNode> ToStdList() const;

    int size() const;
    bool isEmpty() const;
    const ScopeTreeNode& at(int i) const;
    ScopeTreeNode& operator[](int i);
    const ScopeTreeNode& operator[](int i) const;
    const_iterator begin() const;
    const_iterator end() const;
    iterator begin();
    iterator end();

private:
    QList<ScopeTreeNode> nodes_;
};
