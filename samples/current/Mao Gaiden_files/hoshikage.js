var hk = {
  init: function () { hk.menu(); },
  menu: function () {},
  banner: function (place, w, h) {},
  counter: function (id) {}
};
