// lista.h - Lista<T>, an insertion-ordered list of owned pointers whose
// object is its own head node, with a built-in read cursor: Next yields the
// elements in order, then null once, then starts over.
#pragma once

template <class T>
class Lista {
public:
    T obj;             // the element of this node; null in the tail
    Lista<T> *next;    // the following node; null only in the tail
    Lista<T> *prev;    // the preceding node; null in the head
    Lista<T> *current; // the cursor; only the head's is used

    Lista() : obj(nullptr), next(nullptr), prev(nullptr), current(this) {}

    // Each node owns its element and the rest of the chain. Iterative, so
    // that a long list cannot exhaust the stack.
    ~Lista()
    {
        delete obj;
        Lista<T> *node = next;
        while (node) {
            Lista<T> *following = node->next;
            node->next = nullptr;
            delete node;
            node = following;
        }
    }

    Lista(const Lista &) = delete;
    Lista &operator=(const Lista &) = delete;

    // Appends after the last element and rewinds the cursor to the head.
    void Add(T newObj)
    {
        current = this;
        Lista<T> *tail = this;
        while (tail->next)
            tail = tail->next;
        Lista<T> *node = new Lista<T>;
        tail->next = node;
        node->prev = tail;
        tail->obj = newObj;
    }

    // The element at the cursor, advancing it; at the tail, null and rewind.
    T Next()
    {
        Lista<T> *node = current;
        if (node->next) {
            current = node->next;
            return node->obj;
        }
        current = this;
        return nullptr;
    }
};
