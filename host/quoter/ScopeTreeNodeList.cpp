#include "host/quoter/ScopeTreeNodeList.h"

#include "host/quoter/ScopeTreeNode.h"

// ScopeTreeNodeList members live here, where ScopeTreeNode is complete.
ScopeTreeNodeList::ScopeTreeNodeList() = default;
ScopeTreeNodeList::ScopeTreeNodeList(const ScopeTreeNodeList& other) = default;
ScopeTreeNodeList& ScopeTreeNodeList::operator=(const ScopeTreeNodeList& other) = default;
ScopeTreeNodeList::~ScopeTreeNodeList() = default;

ScopeTreeNodeList& ScopeTreeNodeList::operator<<(const ScopeTreeNode& node) {
    nodes_.append(node);
    return *this;
}

ScopeTreeNodeList& ScopeTreeNodeList::operator<<(const ScopeTreeNodeList& nodes) {
    nodes_.append(nodes.nodes_);
    return *this;
}

void ScopeTreeNodeList::append(const ScopeTreeNode& node) {
    nodes_.append(node);
}

void ScopeTreeNodeList::clear() {
    nodes_.clear();
}

std::list<ScopeTreeNode> ScopeTreeNodeList::ToStdList() const {
    return std::list<ScopeTreeNode>(nodes_.begin(), nodes_.end());
}

int ScopeTreeNodeList::size() const {
    return nodes_.size();
}

bool ScopeTreeNodeList::isEmpty() const {
    return nodes_.isEmpty();
}

const ScopeTreeNode& ScopeTreeNodeList::at(int i) const {
    return nodes_.at(i);
}

ScopeTreeNode& ScopeTreeNodeList::operator[](int i) {
    return nodes_[i];
}

const ScopeTreeNode& ScopeTreeNodeList::operator[](int i) const {
    return nodes_[i];
}

ScopeTreeNodeList::const_iterator ScopeTreeNodeList::begin() const {
    return nodes_.begin();
}

ScopeTreeNodeList::const_iterator ScopeTreeNodeList::end() const {
    return nodes_.end();
}

ScopeTreeNodeList::iterator ScopeTreeNodeList::begin() {
    return nodes_.begin();
}

ScopeTreeNodeList::iterator ScopeTreeNodeList::end() {
    return nodes_.end();
}
