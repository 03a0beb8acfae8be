#pragma once

#include <QString>

// The charge items (收费项目) of an estate. Two estates may keep an item of the same name at
// different prices: a house, a building or a meter is charged by its own estate's item. An
// item kept without an estate serves every estate of the office, after the estate's own.

// "and(...)" narrowing 收费项目 to the items of `estate`: its own and those kept without an
// estate. Empty for a house written without an estate, which takes the items of every estate.
QString AndItemsOfEstate(const QString& estate);
// " order by ...": the estate's own items before those kept without an estate, so that the
// first row of a name is the one that prices it.
QString OwnItemsFirst();
