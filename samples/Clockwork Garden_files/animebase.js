var ab = {
  init: function () { ab.menu(); },
  menu: function () {},
  banner: function (place, w, h) {},
  counter: function (id) {}
};
